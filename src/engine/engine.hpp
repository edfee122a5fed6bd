// The one door from the front ends to the engines: a position and limits
// in, a decision out, whichever engine decides. The brain, the browser
// board, `pentad analyze` and `pentad bench` all ask through it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "classic/board/board.hpp"
#include "classic/decision/decision.hpp"
#include "common/position.hpp"

namespace pentad::engine {

enum class EngineKind { kClassic, kStrong };

using Clock = std::chrono::steady_clock;

// A move time without end, for an analysis that runs until it is stopped:
// the strong engine searches until the stop, its node budget, or a result
// that deeper search cannot change; the classic engine, whose search has no
// such end, takes a turn's time.
inline constexpr std::chrono::microseconds kUntilStopped = std::chrono::microseconds::max();

// What one decision may spend. A budget of nodes or checks makes the
// decision the same on every machine.
struct Limits {
  Clock::time_point start = Clock::now();
  // All the decision may take. Without it a decision takes a turn's 4.5 s,
  // or, with a budget of nodes or checks, has no clock at all; with both, it
  // ends at whichever comes first, so that a budget never outlives a move.
  std::optional<std::chrono::microseconds> moveTime;
  std::optional<int64_t> nodes;   // the strong engine's budget
  std::optional<int64_t> checks;  // the classic engine's budget of time checks
  // A manager's stop: the engine answers at once with what it has.
  const std::atomic<bool>* stop = nullptr;
};

// One root move with its score and line: one of the best moves when a
// request asks for several.
struct PvLine {
  Point move = kNoPoint;
  int score = 0;          // the side to play's view, as Result::score
  std::vector<Point> pv;  // the move first
};

// One finished depth of a deepening search.
struct Progress {
  int depth = 0;
  int selDepth = 0;          // the deepest ply any line of this depth reached
  std::optional<int> score;  // the strong engine's; positive is good for the side to play
  std::optional<int64_t> nodes;
  std::optional<int64_t> timeChecks;  // the classic engine's
  int64_t elapsedMs = 0;
  std::vector<Point> pv;
  // With Request::multiPv above 1, the best root moves, the best first
  // (lines[0] is the line of `pv`); a single line otherwise.
  std::vector<PvLine> lines;
};

using ProgressCallback = std::function<void(const Progress&)>;
// The move the engine would play now, each time it changes during a search.
using BestMoveCallback = std::function<void(Point)>;

struct Request {
  Position position;  // the engine plays SideToPlay(position)
  Limits limits;
  // The classic engine's random generator; default: the time of day.
  std::optional<uint32_t> seed;
  ProgressCallback onProgress;
  BestMoveCallback onBestMove;
  // For analysis, by the strong engine (the classic one has a single answer
  // and ignores both): the N best root moves with their lines instead of
  // the best alone, and root moves to leave out.
  int multiPv = 1;
  std::vector<Point> excluded;
  // The classic engine's views of the board before deciding, for analysis.
  bool wantCells = false;
  bool wantThreats = false;
};

// One threat an empty square makes for a player, as the classic scanner
// sees it.
struct ClassicThreat {
  Point at;
  uint8_t player = 0;
  int level = 0;
  bool win = false;
  std::vector<Point> keySquares;
};

// What the classic engine can tell about its decision.
struct ClassicDetails {
  classic::Decision decision;
  std::optional<classic::Board> evaluated;  // wantCells: the board as evaluated first
  std::vector<ClassicThreat> threats;       // wantThreats
};

struct Result {
  EngineKind engine = EngineKind::kStrong;  // the engine that decided
  Point move = kNoPoint;                    // kNoPoint only on a full board
  // The strong engine's evaluation, the side to play's view (ProvenPlies
  // tells a proven result).
  std::optional<int> score;
  int depth = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;
  std::vector<Point> pv;  // the move first
  int selDepth = 0;
  std::vector<PvLine> lines;  // as Progress::lines, of the last finished depth
  std::optional<ClassicDetails> classic;

  // Plies to a proven end: positive a win, negative a loss; nothing for a
  // heuristic or missing score.
  std::optional<int> ProvenPlies() const;
};

// Plies to a proven end of a strong score: positive a win, negative a
// loss; nothing for a heuristic score.
std::optional<int> ProvenPlies(int score);

// The chance of winning a score stands for, 0 to 1: 1 and 0 for proven
// results, else a logistic curve of the score. Its scale of 200 is about
// the one the evaluation's weights were fitted with (bench/strength
// fit-eval), so that 0.5 is an even game and an open three of the side to
// move, about 250, reads as a clear edge.
double WinRate(int score);

class Engine {
 public:
  virtual ~Engine() = default;
  virtual EngineKind Kind() const = 0;
  // The move for SideToPlay(request.position). What the engine learns may
  // serve the next decision of the same game.
  virtual Result Decide(const Request& request) = 0;
  // A new game: forget what earlier decisions learnt.
  virtual void NewGame() {}
  // The memory the engine's tables may take, in bytes (0: the default).
  // Tables are made here, never inside a decision's time.
  virtual void SetMemory(size_t /*bytes*/) {}
  // The threads a decision may search with (engines that can use several).
  virtual void SetThreads(int /*threads*/) {}
};

}  // namespace pentad::engine
