// An engine as one game sees it: started, asked for moves, finished. The
// two kinds (file exchange, pipe protocol) live behind this interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "match/cancel.hpp"
#include "match/engine_setup.hpp"
#include "match/rules.hpp"

namespace pentad::match {

using Milliseconds = std::chrono::milliseconds;

// What managers write for "no limit".
inline constexpr int64_t kUnlimitedMs = 2147483647;

// The bounds of the time control, for the options and for merged results.
inline constexpr int64_t kMaxMoveTimeMs = 86400000;          // a day
inline constexpr int64_t kMaxGameTimeMs = kUnlimitedMs - 1;  // below "no limit"

struct TimeControl {
  Milliseconds moveTime{5000};
  std::optional<Milliseconds> gameTime;  // per engine per game
  int64_t maxMemory = 0;                 // bytes, 0 = no limit
  // For a brain's answers to START and ABOUT; default: the move time.
  // Brains that set up large tables at START need longer than a fast move.
  std::optional<Milliseconds> startTime;

  Milliseconds StartTime() const { return startTime.value_or(moveTime); }
};

// Why a game was lost; kNone for a draw or a game still running.
enum class LossKind { kNone, kFive, kTime, kIllegal, kCrash };

struct MoveQuery {
  const GameBoard& board;
  const std::vector<Point>& moves;  // every move so far, the opening's included
  Side side;
  Milliseconds limit;                    // for this move
  std::optional<Milliseconds> timeLeft;  // of the game; nullopt when unlimited
};

struct MoveReply {
  std::optional<Point> point;  // the answer, not yet checked against the board
  LossKind fault = LossKind::kNone;
  bool cancelled = false;
  std::string reason;              // why `fault`
  std::vector<std::string> notes;  // lines the engine wrote besides its move
  Milliseconds elapsed{0};

  bool Failed() const { return fault != LossKind::kNone || cancelled; }
};

class Player {
 public:
  virtual ~Player() = default;
  // Gets the engine ready for a new game; a failed reply loses the game.
  virtual MoveReply Start(const TimeControl& time, const Cancellation& cancel) = 0;
  virtual MoveReply Play(const MoveQuery& request, const Cancellation& cancel) = 0;
  // Ends the game for the engine; after a cancellation without courtesy.
  virtual void Finish(bool cancelled) = 0;
};

std::unique_ptr<Player> MakePlayer(const EngineSetup& setup);
std::unique_ptr<Player> MakeFilePlayer(const EngineSetup& setup);
std::unique_ptr<Player> MakePipePlayer(const EngineSetup& setup);

// A private directory under the system temporary directory, filled from
// `fillFrom` when given, removed with everything in it on destruction.
class WorkDir {
 public:
  static std::unique_ptr<WorkDir> Create(const std::filesystem::path& fillFrom, std::string* error);
  ~WorkDir();
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  explicit WorkDir(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;
};

}  // namespace pentad::match
