// The file exchange: one process per move in the engine's own directory,
// the position in "PLOCHA.DAT", the side in "TAH.DAT" and the answer back
// in "TAH.DAT", written as the classic managers write them.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "common/regular_file.hpp"
#include "match/engine_text.hpp"
#include "match/player.hpp"
#include "match/process.hpp"

namespace pentad::match {
namespace {

constexpr const char* kPositionFile = "PLOCHA.DAT";
constexpr const char* kSideFile = "TAH.DAT";
constexpr const char* kTimeoutsFile = "TIMEOUTS.DAT";
constexpr const char* kInfoFile = "INFO.DAT";
constexpr const char* kMessageFile = "MSG.DAT";
constexpr size_t kMaxMessageLines = 50;
// An answer is a few bytes; notes are cut to 50 lines of 200 bytes anyway.
constexpr size_t kMaxSideFileBytes = 64 * 1024;
constexpr size_t kMaxMessageFileBytes = 1024 * 1024;

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Every spelling of `name` in `dir`: engines may write theirs in any case.
std::vector<std::filesystem::path> FilesNamed(const std::filesystem::path& dir,
                                              const std::string& name) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (SameIgnoringCase(it->path().filename().string(), name)) found.push_back(it->path());
  }
  return found;
}

// "MSG.DAT is a FIFO, not a regular file": named as the engine spelled it.
std::string UnreadReason(const std::filesystem::path& file, const FileContents& contents) {
  return file.filename().string() + " " + contents.error;
}

bool WriteAll(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

class FilePlayer : public Player {
 public:
  explicit FilePlayer(const EngineSetup& setup) : setup_(setup) {}

  MoveReply Start(const TimeControl& time, const Cancellation&) override {
    time_ = time;
    MoveReply reply;
    std::string error;
    dir_ = WorkDir::Create(setup_.dataDir, &error);
    if (!dir_) {
      reply.fault = LossKind::kCrash;
      reply.reason = error;
    }
    return reply;
  }

  MoveReply Play(const MoveQuery& request, const Cancellation& cancel) override {
    MoveReply reply;
    if (const char* file = WriteExchangeFiles(request)) {
      reply.fault = LossKind::kCrash;
      reply.reason = std::string("cannot write ") + file + " in " + dir_->Path().string();
      return reply;
    }
    const auto start = Clock::now();
    std::string error;
    auto child = ChildProcess::Spawn({setup_.argv, dir_->Path(), false}, &error);
    if (!child) {
      reply.fault = LossKind::kCrash;
      reply.reason = error;
      return reply;
    }
    const auto status = child->WaitExit(start + request.limit, &cancel);
    reply.elapsed = std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
    if (!status) {
      child->Kill();
      reply.cancelled = cancel.Cancelled();
      reply.fault = reply.cancelled ? LossKind::kNone : LossKind::kTime;
      reply.reason = "still running after " + std::to_string(request.limit.count()) + " ms";
      return reply;
    }
    std::string unreadable;
    reply.notes = MessageLines(&unreadable);
    if (!status->Success()) {
      reply.fault = LossKind::kCrash;
      reply.reason = status->Describe();
      return reply;
    }
    if (!unreadable.empty()) {
      reply.fault = LossKind::kIllegal;
      reply.reason = std::move(unreadable);
      return reply;
    }
    ReadMove(request.side, reply);
    return reply;
  }

  void Finish(bool) override { dir_.reset(); }

 private:
  // The name of the file that could not be written, or nullptr.
  const char* WriteExchangeFiles(const MoveQuery& request) {
    for (const char* name : {kPositionFile, kSideFile, kTimeoutsFile, kInfoFile, kMessageFile}) {
      for (const auto& stale : FilesNamed(dir_->Path(), name)) {
        std::error_code ec;
        std::filesystem::remove(stale, ec);
      }
    }
    const int64_t left = request.timeLeft ? request.timeLeft->count() : kUnlimitedMs;
    const int64_t moveMs = time_.moveTime.count();
    const int64_t wholeSeconds = std::max<int64_t>(1, moveMs / 1000);
    const std::string info = "timeout_turn " + std::to_string(moveMs) + "\r\n" + "timeout_match " +
                             std::to_string(time_.gameTime ? time_.gameTime->count() : 0) + "\r\n" +
                             "time_left " + std::to_string(left) + "\r\n" + "max_memory " +
                             std::to_string(time_.maxMemory) + "\r\n" + "game_type 1\r\n" +
                             "rule 0\r\n";
    const std::pair<const char*, std::string> files[] = {
        {kPositionFile, request.board.PositionText()},
        {kSideFile, std::string(1, LetterOf(request.side)) + "\r\n"},
        {kTimeoutsFile, std::to_string(wholeSeconds) + "\r\n" + std::to_string(left) + "\r\n"},
        {kInfoFile, info},
        {kMessageFile, ""}};
    for (const auto& [name, text] : files)
      if (!WriteAll(dir_->Path() / name, text)) return name;
    return nullptr;
  }

  // The engine's notes. An engine may leave anything under the name; what
  // is no regular file of a sane size goes to `unreadable`, unread.
  std::vector<std::string> MessageLines(std::string* unreadable) const {
    std::vector<std::string> notes;
    for (const auto& file : FilesNamed(dir_->Path(), kMessageFile)) {
      const FileContents contents = ReadRegularFile(file, {.maxBytes = kMaxMessageFileBytes});
      if (contents.problem == FileProblem::kMissing) continue;
      if (!contents.Read()) {
        *unreadable = UnreadReason(file, contents);
        continue;
      }
      for (auto& line : NoteLines(contents.bytes, kMaxMessageLines - notes.size()))
        notes.push_back(std::move(line));
    }
    return notes;
  }

  void ReadMove(Side side, MoveReply& reply) const {
    reply.reason = "left no move in TAH.DAT";
    reply.fault = LossKind::kIllegal;
    for (const auto& file : FilesNamed(dir_->Path(), kSideFile)) {
      const FileContents contents = ReadRegularFile(file, {.maxBytes = kMaxSideFileBytes});
      if (contents.problem == FileProblem::kMissing) continue;
      if (!contents.Read()) {
        reply.reason = UnreadReason(file, contents);
        return;
      }
      AnswerReading reading = ReadMoveFile(contents.bytes, side);
      if (reading.point) {
        reply.point = reading.point;
        reply.fault = LossKind::kNone;
        reply.reason.clear();
        return;
      }
      if (!reading.error.empty()) reply.reason = std::move(reading.error);
    }
  }

  EngineSetup setup_;
  TimeControl time_;
  std::unique_ptr<WorkDir> dir_;
};

}  // namespace

std::unique_ptr<Player> MakeFilePlayer(const EngineSetup& setup) {
  return std::make_unique<FilePlayer>(setup);
}

}  // namespace pentad::match
