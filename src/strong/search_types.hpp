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

struct SearchLimits {
  using Clock = std::chrono::steady_clock;
  Clock::time_point start = Clock::now();
  // No new iteration starts after `softTime`; the search ends by `hardTime`.
  std::chrono::microseconds softTime{2'250'000};
  std::chrono::microseconds hardTime{4'500'000};
  // When set, the search stops after this many nodes and never reads the
  // clock (but for the elapsed time it reports): the same move on every
  // machine. Think clears the engine's tables first, so the same position
  // and budget give the same search whatever came before.
  std::optional<int64_t> maxNodes;
  int maxDepth = 64;
  // A manager's stop request: the best move of the last finished depth, or
  // a move that already beat it at the depth being searched.
  const std::atomic<bool>* stop = nullptr;
};

// One finished depth of the iterative deepening.
struct IterationReport {
  int depth = 0;
  int score = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;
  std::vector<int> pv;  // grid cells (CellX, CellY), the move first
};

struct SearchOutcome {
  int move = kNoCell;  // a grid cell; kNoCell only on a full board
  int score = 0;
  int depth = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;
  std::vector<int> pv;
};

using IterationCallback = std::function<void(const IterationReport&)>;

}  // namespace pentad::strong
