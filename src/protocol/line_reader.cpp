#include "protocol/line_reader.hpp"

#include <unistd.h>

#include <cerrno>

namespace pentad::protocol {

bool LineReader::Fill() {
  if (eof_) return false;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
    if (n > 0) {
      begin_ = 0;
      end_ = static_cast<size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    eof_ = true;
    return false;
  }
}

std::optional<InputLine> LineReader::Next() {
  InputLine line;
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !Fill()) break;
    any = true;
    const char c = buffer_[begin_++];
    if (c == '\n') break;
    if (line.text.size() < kMaxLineLength)
      line.text += c;
    else
      line.overlong = true;
  }
  if (!any) return std::nullopt;
  if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
  line.readAt = engine::Clock::now();
  return line;
}

}  // namespace pentad::protocol
