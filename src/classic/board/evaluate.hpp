// Static evaluation of empty cells: attack and defence scores, threat levels
// and double-threat marks from the five-cell windows through the cell.
#pragma once

#include <cstdint>

#include "classic/board/board.hpp"
#include "classic/board/random.hpp"

namespace pentad::classic {

// Clamps a 64-bit score into the stored 32-bit range; scores saturate
// rather than wrap, so a cell making two fives still ranks first.
constexpr int32_t ClampScore(int64_t score) {
  if (score > INT32_MAX) return INT32_MAX;
  if (score < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(score);
}

// Evaluates cell (x, y) for `side` (the side to move). `stoneCount` is the
// number of stones in the position as read; it selects the phase adjustment.
// Draws one random bit for an empty cell.
void EvaluateCell(Board& board, int x, int y, uint8_t side, int stoneCount, Random& random);

// Every cell, x outer and y inner, which fixes the order of the random draws.
void EvaluateBoard(Board& board, uint8_t side, int stoneCount, Random& random);

}  // namespace pentad::classic
