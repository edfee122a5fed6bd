#include "protocol/protocol_io.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "protocol/command_parsing.hpp"

namespace pentad::protocol {

void ProtocolOutput::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    // The manager has gone: nobody is left to answer.
    if (n <= 0) std::_Exit(0);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void ProtocolOutput::Send(std::string_view line) {
  std::string text(line);
  // An answer is one line of text whatever it quotes from the input.
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) c = byte == '\t' ? ' ' : '?';
  }
  text += "\r\n";
  std::lock_guard lock(mutex_);
  WriteAll(text);
}

void ProtocolOutput::ExitNow() {
  mutex_.lock();
  std::fflush(stdout);
  std::_Exit(0);
}

CommandKind KindOf(std::string_view line) {
  const std::string keyword = SplitCommand(line).keyword;
  if (keyword == "END") return CommandKind::kEnd;
  if (keyword == "STOP" || keyword == "YXSTOP") return CommandKind::kStop;
  return CommandKind::kOrdinary;
}

PushResult CommandQueue::Push(InputLine line, CommandKind kind) {
  {
    std::lock_guard lock(mutex_);
    if (kind == CommandKind::kEnd && deciding_) return PushResult::kEndNow;
    // Once full, a stop right behind another stop adds nothing: the first
    // already stops the same decision.
    const bool full = lines_.size() >= kMaxLines;
    if (full && (kind == CommandKind::kOrdinary ||
                 (kind == CommandKind::kStop && lines_.back().second == CommandKind::kStop))) {
      const bool first = !dropping_;
      dropping_ = true;
      return first ? PushResult::kFirstDropped : PushResult::kDropped;
    }
    if (kind == CommandKind::kStop) {
      ++pendingStops_;
      stop_ = true;
    }
    lines_.emplace_back(std::move(line), kind);
  }
  ready_.notify_one();
  return PushResult::kQueued;
}

void CommandQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  ready_.notify_one();
}

std::optional<InputLine> CommandQueue::Pop() {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return closed_ || !lines_.empty(); });
  if (lines_.empty()) return std::nullopt;
  auto [line, kind] = std::move(lines_.front());
  lines_.pop_front();
  if (lines_.empty()) dropping_ = false;
  if (kind == CommandKind::kStop) stop_ = --pendingStops_ > 0;
  return std::move(line);
}

void CommandQueue::BeginDecision() {
  std::lock_guard lock(mutex_);
  deciding_ = true;
}

void CommandQueue::EndDecision() {
  std::lock_guard lock(mutex_);
  deciding_ = false;
}

void ReadCommands(LineReader& reader, CommandQueue& queue, ProtocolOutput& output) {
  try {
    while (auto line = reader.Next()) {
      const CommandKind kind = KindOf(line->text);
      const PushResult result = queue.Push(std::move(*line), kind);
      if (result == PushResult::kEndNow) output.ExitNow();
      if (result == PushResult::kFirstDropped)
        output.Send("ERROR more than " + std::to_string(CommandQueue::kMaxLines) +
                    " lines wait while the brain thinks: lines ignored until it catches up");
      if (kind == CommandKind::kEnd) break;
    }
  } catch (const std::exception&) {
    // Out of memory on input: end as at the end of the input, not by a crash.
  }
  queue.Close();
}

}  // namespace pentad::protocol
