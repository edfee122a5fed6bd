// The classic engine's board of cell records, its line directions and
// threat levels.
#pragma once

#include <cstdint>

#include "common/board_geometry.hpp"
#include "common/stones.hpp"

namespace pentad::classic {

// The `value` of every occupied cell and of candidate placeholders; below
// anything an empty cell can score.
inline constexpr int32_t kOccupiedValue = -100000000;

struct Direction {
  int8_t dx;
  int8_t dy;
};

// Order matters: the evaluation treats directions 0 and 1 specially and the
// threat scanner keeps the first of equal threats in this order.
inline constexpr Direction kDirections[4] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}};

enum ThreatLevel : uint8_t {
  kThreatNone = 0,
  kThreatThree = 1,
  kThreatFreeThree = 2,
  kThreatFour = 3,
  kThreatFreeFour = 4,
  kThreatFive = 5,
};

// Padded to 24 bytes: the evaluation runs measurably faster over 24-byte
// cells than over packed 20-byte ones.
struct alignas(8) Cell {
  uint8_t occupant = 0;
  int32_t value = 0;
  int32_t ownScore = 0;
  int32_t oppScore = 0;
  uint8_t ownDouble = 0;
  uint8_t oppDouble = 0;
  uint8_t ownThreat = 0;
  uint8_t oppThreat = 0;
};

// Stored x-major: cells[x][y]. A plain value, copied whole to make and
// unmake hypothetical moves.
struct Board {
  Cell cells[kBoardSize][kBoardSize];

  Cell& at(int x, int y) { return cells[x][y]; }
  const Cell& at(int x, int y) const { return cells[x][y]; }

  int CountStones() const {
    int n = 0;
    for (const auto& column : cells)
      for (const Cell& c : column) n += c.occupant != kEmpty;
    return n;
  }
};

// The board of `stones` before any evaluation: stones hold kOccupiedValue,
// empty cells all zero.
inline Board BoardOf(const Stones& stones) {
  Board board{};
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const uint8_t stone = stones.At(x, y);
      if (stone == kEmpty) continue;
      board.at(x, y).occupant = stone;
      board.at(x, y).value = kOccupiedValue;
    }
  return board;
}

}  // namespace pentad::classic
