// What a search is given and what it gives back: its limits, the report of
// each finished depth, its outcome, and how a score tells a proven result.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "strong/search_board.hpp"

namespace pentad::strong {

// A five on the board for the side to move scores kWinScore; a forced win in
// n plies scores kWinScore - n, a forced loss -(kWinScore - n). Anything
// beyond kProvenScore in size is a proven result.
inline constexpr int kWinScore = 30000;
inline constexpr int kProvenScore = kWinScore - 1000;

constexpr int WinIn(int plies) {
  return kWinScore - plies;
}

constexpr bool IsProven(int score) {
  return score > kProvenScore || score < -kProvenScore;
}

// Plies to a proven result for the side to move: positive for a win,
// negative for a loss; nothing for a heuristic score.
constexpr std::optional<int> PliesToResult(int score) {
  if (score > kProvenScore) return kWinScore - score;
  if (score < -kProvenScore) return -(kWinScore + score);
  return std::nullopt;
}

// A hard time that never comes: the search reads no clock but to report
// the time it took.
inline constexpr std::chrono::microseconds kNoTimeLimit = std::chrono::microseconds::max();

// How far a search may go. Every part of it (the main search, and the
// searches for wins by fours and by threats at the root, before and after
// the iterations) ends at a stop request and by the hard time, whatever
// the node budget.
struct SearchLimits {
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  // Without a node budget, no new iteration starts after `softTime`.
  std::chrono::microseconds softTime{2'250'000};
  // The search ends by `hardTime` after `start`; kNoTimeLimit sets no end.
  std::chrono::microseconds hardTime{4'500'000};
  // With a node budget, the search ends after this many nodes or at the
  // hard time, whichever comes first, and `softTime` is not used: the
  // same position and budget give the same move on every machine whenever
  // the hard time is not reached, and always with kNoTimeLimit. Think
  // clears the engine's tables first, so the same position and budget give
  // the same search whatever came before.
  std::optional<int64_t> maxNodes;
  int maxDepth = 64;
  // A manager's stop request: the best move of the last finished depth, or
  // a move that already beat it at the depth being searched.
  const std::atomic<bool>* stop = nullptr;
  // For analysis: the best `multiPv` root moves each get a line of their
  // own, every depth searching the moves left after the lines before; and
  // root moves never to play (grid cells): when they are all the position
  // allows, the search takes the best of the others.
  int multiPv = 1;
  std::vector<int> excluded;
  // The move the search would play now, each time it changes.
  std::function<void(int cell)> onBestMove;
};

// One root move with its score and line, as multi-PV reports it.
struct RootLine {
  int move = kNoCell;
  int score = 0;
  std::vector<int> pv;  // the move first
};

// One finished depth of the iterative deepening.
struct IterationReport {
  int depth = 0;
  int selDepth = 0;  // the deepest ply this depth's search reached
  int score = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;
  std::vector<int> pv;  // grid cells (CellX, CellY), the move first
  // The best first: lines[0] is the line of `pv`.
  std::vector<RootLine> lines;
};

struct SearchOutcome {
  int move = kNoCell;  // a grid cell; kNoCell only on a full board
  int score = 0;
  int depth = 0;
  int selDepth = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;
  std::vector<int> pv;
  // The lines of the last finished depth, the move's first: one without
  // multi-PV, and one alone when a win was found before the iterations.
  std::vector<RootLine> lines;
};

using IterationCallback = std::function<void(const IterationReport&)>;

}  // namespace pentad::strong
