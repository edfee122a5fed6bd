// The pipe protocol: one brain process per game, commands on its standard
// input, one answer line each on its standard output.
#include <algorithm>

#include "match/engine_text.hpp"
#include "match/player.hpp"
#include "match/process.hpp"

namespace pentad::match {
namespace {

constexpr Milliseconds kEndGrace{1000};
constexpr Milliseconds kExitReportWait{1000};
constexpr size_t kMaxNotesPerMove = 50;

class PipePlayer : public Player {
 public:
  explicit PipePlayer(const EngineSetup& setup) : setup_(setup) {}

  MoveReply Start(const TimeControl& time, const Cancellation& cancel) override {
    MoveReply reply;
    std::string error;
    dir_ = WorkDir::Create(setup_.dataDir, &error);
    if (dir_) child_ = ChildProcess::Spawn({setup_.argv, dir_->Path(), true}, &error);
    if (!child_) return Fail(reply, LossKind::kCrash, error);

    const auto deadline = Clock::now() + time.StartTime();
    std::string answer;
    if (!Send("START 20", deadline)) return FailByExit(reply, "stopped reading before START");
    switch (Await(answer, deadline, cancel, reply.notes)) {
      case ReadResult::kLine:
        if (FirstWordUpper(answer) != "OK")
          return Fail(reply, LossKind::kCrash, "refused START 20: \"" + Printable(answer) + "\"");
        break;
      case ReadResult::kTimeout:
        return Fail(
            reply, LossKind::kTime,
            "no answer to START within " + std::to_string(time.StartTime().count()) + " ms");
      case ReadResult::kClosed:
        return FailByExit(reply, "ended before answering START");
      case ReadResult::kCancelled:
        reply.cancelled = true;
        return reply;
    }
    const int64_t gameMs = time.gameTime ? time.gameTime->count() : 0;
    const std::string limits = "INFO timeout_turn " + std::to_string(time.moveTime.count()) +
                               "\nINFO timeout_match " + std::to_string(gameMs) +
                               "\nINFO max_memory " + std::to_string(time.maxMemory) +
                               "\nINFO game_type 1\nINFO rule 0\nABOUT";
    if (!Send(limits, Clock::now() + time.StartTime()))
      return FailByExit(reply, "stopped reading after START");
    AwaitAbout(Clock::now() + time.StartTime(), cancel, reply);
    return reply;
  }

  MoveReply Play(const MoveQuery& request, const Cancellation& cancel) override {
    MoveReply reply;
    const int64_t left = request.timeLeft ? request.timeLeft->count() : kUnlimitedMs;
    const std::string command =
        "INFO time_left " + std::to_string(left) + "\n" + MoveCommand(request);
    const auto start = Clock::now();
    const auto deadline = start + request.limit;
    if (!Send(command, deadline)) return FailByExit(reply, "stopped reading its input");
    std::string answer;
    for (;;) {
      const ReadResult result = Await(answer, deadline, cancel, reply.notes);
      reply.elapsed = std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
      if (result == ReadResult::kCancelled) {
        reply.cancelled = true;
        return reply;
      }
      if (result == ReadResult::kTimeout)
        return Fail(reply, LossKind::kTime,
                    "no move within " + std::to_string(request.limit.count()) + " ms");
      if (result == ReadResult::kClosed) return FailByExit(reply, "ended without answering");
      if (aboutPending_ && answer.find("name=") != std::string::npos) {
        aboutPending_ = false;  // the late answer to ABOUT, not a move
        Note(reply.notes, answer);
        continue;
      }
      break;
    }
    AnswerReading reading = ReadBrainAnswer(answer);
    if (!reading.point) return Fail(reply, LossKind::kIllegal, reading.error);
    reply.point = reading.point;
    known_ = request.moves.size() + 1;
    return reply;
  }

  void Finish(bool cancelled) override {
    if (child_ && !cancelled && !child_->Status()) {
      const auto deadline = Clock::now() + kEndGrace;
      Send("END", deadline);
      child_->CloseInput();
      child_->WaitExit(deadline, nullptr);
    }
    child_.reset();  // kills it if still alive
    dir_.reset();
  }

 private:
  bool Send(const std::string& lines, Clock::time_point deadline) {
    return child_->Write(lines + "\n", deadline);
  }

  // Brains report progress in MESSAGE lines, many a move: only the last one
  // is kept; other side lines are rare and all kept.
  void Note(std::vector<std::string>& notes, const std::string& line) const {
    if (line.empty()) return;
    if (FirstWordUpper(line) == "MESSAGE") {
      const auto previous = std::find_if(notes.begin(), notes.end(), [](const std::string& note) {
        return FirstWordUpper(note) == "MESSAGE";
      });
      if (previous != notes.end()) notes.erase(previous);
    }
    if (notes.size() < kMaxNotesPerMove) notes.push_back(Printable(line, 200));
  }

  // The next line that is an answer, recording the side lines before it.
  ReadResult Await(std::string& answer, Clock::time_point deadline, const Cancellation& cancel,
                   std::vector<std::string>& notes) {
    for (;;) {
      const ReadResult result = child_->ReadLine(answer, deadline, cancel);
      if (result != ReadResult::kLine || !IsSideLine(answer)) return result;
      Note(notes, answer);
    }
  }

  // A brain that does not know ABOUT still plays; its name is the file's.
  void AwaitAbout(Clock::time_point deadline, const Cancellation& cancel, MoveReply& reply) {
    std::string answer;
    const ReadResult result = Await(answer, deadline, cancel, reply.notes);
    if (result == ReadResult::kLine) {
      Note(reply.notes, answer);
    } else if (result == ReadResult::kTimeout) {
      aboutPending_ = true;
      Note(reply.notes, "(no answer to ABOUT)");
    } else if (result == ReadResult::kCancelled) {
      reply.cancelled = true;
    } else {
      FailByExit(reply, "ended before answering ABOUT");
    }
  }

  // BEGIN on the empty board, TURN when the brain knows all but the last
  // move, else the whole position.
  std::string MoveCommand(const MoveQuery& request) const {
    const auto& moves = request.moves;
    if (moves.empty()) return "BEGIN";
    if (known_ + 1 == moves.size()) return "TURN " + PointText(moves.back());
    std::string command = "BOARD";
    for (size_t i = 0; i < moves.size(); ++i)
      command += "\n" + PointText(moves[i]) + "," + (SideOfMove(i) == request.side ? "1" : "2");
    return command + "\nDONE";
  }

  MoveReply& Fail(MoveReply& reply, LossKind fault, const std::string& reason) const {
    reply.fault = fault;
    reply.reason = reason;
    return reply;
  }

  MoveReply& FailByExit(MoveReply& reply, const std::string& what) {
    const auto status = child_->WaitExit(Clock::now() + kExitReportWait, nullptr);
    return Fail(reply, LossKind::kCrash, what + (status ? " (" + status->Describe() + ")" : ""));
  }

  EngineSetup setup_;
  std::unique_ptr<WorkDir> dir_;
  std::unique_ptr<ChildProcess> child_;
  size_t known_ = 0;  // moves the brain has been told of or made
  bool aboutPending_ = false;
};

}  // namespace

std::unique_ptr<Player> MakePipePlayer(const EngineSetup& setup) {
  return std::make_unique<PipePlayer>(setup);
}

}  // namespace pentad::match
