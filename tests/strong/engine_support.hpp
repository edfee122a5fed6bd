// What the tests of the strong engine's front door share.
#pragma once

#include <cstdint>
#include <vector>

#include "strong/search_board.hpp"
#include "strong/strong_engine.hpp"

namespace pentad::strong::test {

// A node budget without a clock: the same answer on every machine, however
// slowly the build under test runs.
inline SearchLimits NodeLimits(int64_t nodes) {
  SearchLimits limits;
  limits.maxNodes = nodes;
  limits.hardTime = kNoTimeLimit;
  return limits;
}

// Rows of x/o stones placed from (0, y0) down; '.' is empty.
inline SearchBoard Position(int y0, const std::vector<const char*>& rows, uint8_t sideToMove) {
  SearchBoard board;
  for (int dy = 0; dy < static_cast<int>(rows.size()); ++dy) {
    for (int x = 0; rows[dy][x] != '\0'; ++x) {
      if (rows[dy][x] == 'x') board.Place(CellAt(x, y0 + dy), kPlayerX);
      if (rows[dy][x] == 'o') board.Place(CellAt(x, y0 + dy), kPlayerO);
    }
  }
  board.SetSideToMove(sideToMove);
  return board;
}

}  // namespace pentad::strong::test
