// The two sides of the pipe: whole answer lines out, and the commands that
// the reader thread hands to the brain.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>

#include "protocol/line_reader.hpp"

namespace pentad::protocol {

// Every line leaves at once, ended by CR LF, and never interleaved with
// another thread's line.
class ProtocolOutput {
 public:
  explicit ProtocolOutput(int fd) : fd_(fd) {}

  void Send(std::string_view line);

  // Ends the process once a line being written is complete.
  [[noreturn]] void ExitNow();

 private:
  void WriteAll(std::string_view bytes);

  std::mutex mutex_;
  int fd_;
};

enum class CommandKind { kOrdinary, kStop, kEnd };

CommandKind KindOf(std::string_view line);

enum class PushResult { kQueued, kDropped, kFirstDropped, kEndNow };

// Lines in the order read. A stop request counts from the moment it is read
// until the brain takes it from the queue, so it stops the decision running
// then, or the one that a command queued before it asks for.
//
// While a decision runs nothing is taken from the queue, and a manager (or
// anything else on the pipe) may go on writing: beyond kMaxLines the queue
// drops ordinary lines rather than grow without end. Stop and END requests
// are never dropped, so they still act at once.
class CommandQueue {
 public:
  // At most about kMaxLines * LineReader::kMaxLineLength bytes are queued.
  static constexpr size_t kMaxLines = 1024;

  // kEndNow for an END read while a decision runs: the caller ends the
  // brain. kFirstDropped for the first line dropped since the queue was
  // last empty, so that the caller answers it once.
  PushResult Push(InputLine line, CommandKind kind);
  // The input has ended: the lines read are still carried out, so a script
  // piped into the brain gets every answer it asked for.
  void Close();
  // The next line; nullopt once the input has ended and all lines are taken.
  std::optional<InputLine> Pop();

  void BeginDecision();
  void EndDecision();
  const std::atomic<bool>& StopFlag() const { return stop_; }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::pair<InputLine, CommandKind>> lines_;
  bool closed_ = false;
  bool deciding_ = false;
  bool dropping_ = false;
  int pendingStops_ = 0;
  std::atomic<bool> stop_{false};
};

// The reader thread: moves every line into the queue until END or the end of
// the input; either of them during a decision ends the process from here.
void ReadCommands(LineReader& reader, CommandQueue& queue, ProtocolOutput& output);

}  // namespace pentad::protocol
