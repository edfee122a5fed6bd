// The evaluation's data: what an empty cell is worth by the cell patterns
// both sides make there. The board keeps the sum over its empty cells
// move by move, so that a static value is one read.
#pragma once

#include <array>
#include <cstdint>

#include "strong/line_patterns.hpp"

namespace pentad::strong {

struct EvalWeights {
  // [the side to move's pattern][the waiting side's pattern]. A cell that
  // matters to both sides, where attack and defence meet, is worth more
  // than the two patterns apart.
  std::array<std::array<int, kCellPatternCount>, kCellPatternCount> cell;
  int tempo;
};

// Fitted to game results (bench/strength/fit_eval.cpp) and kept after
// matches. Fives never reach the evaluation: their row and column keep
// their first values.
inline constexpr EvalWeights kEvalWeights{
#include "strong/eval_weights.inc"
};

// Indexed by X's pattern << 4 | O's. Each entry packs two values as
// low + high * 2^32: with X to move in the low half, with O to move in the
// high. Sums of packed values are the packed sums, so one running total
// serves both sides to move.
using CellValueTable = std::array<int64_t, 256>;

constexpr CellValueTable MakeCellValues(const EvalWeights& weights) {
  CellValueTable table{};
  for (int x = 0; x < kCellPatternCount; ++x) {
    for (int o = 0; o < kCellPatternCount; ++o) {
      const int64_t xToMove = weights.cell[x][o];
      const int64_t oToMove = weights.cell[o][x];
      table[x << 4 | o] = xToMove + oToMove * (int64_t{1} << 32);
    }
  }
  return table;
}

inline constexpr CellValueTable kCellValues = MakeCellValues(kEvalWeights);

// The two sums of a packed total.
constexpr int XToMoveValue(int64_t packed) {
  return static_cast<int32_t>(static_cast<uint32_t>(packed));
}
constexpr int OToMoveValue(int64_t packed) {
  return static_cast<int>((packed - XToMoveValue(packed)) / (int64_t{1} << 32));
}

}  // namespace pentad::strong
