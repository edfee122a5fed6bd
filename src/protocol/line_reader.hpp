// Reads the manager's commands from a file descriptor, one line at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/engine.hpp"

namespace pentad::protocol {

struct InputLine {
  std::string text;  // without the line end (LF or CR LF)
  engine::Clock::time_point readAt;
  bool overlong = false;  // cut to kMaxLineLength; the rest of the line was dropped
};

class LineReader {
 public:
  // A line is at most this long; nothing the manager sends comes close, and
  // the cap keeps a runaway input from growing memory without end.
  static constexpr size_t kMaxLineLength = 4096;

  explicit LineReader(int fd) : fd_(fd) {}

  // The next line, or nullopt at the end of the input (a last line without
  // a line end still counts).
  std::optional<InputLine> Next();

 private:
  bool Fill();

  int fd_;
  char buffer_[4096];
  size_t begin_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
};

}  // namespace pentad::protocol
