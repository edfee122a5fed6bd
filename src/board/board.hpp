// The board of cell records, player codes, line directions and threat levels.
#pragma once

#include <cstdint>

namespace pentad {

inline constexpr int kBoardSize = 20;

// Player codes. kOffBoard only ever appears inside line buffers.
inline constexpr uint8_t kEmpty = 0;
inline constexpr uint8_t kPlayerX = 1;
inline constexpr uint8_t kPlayerO = 2;
inline constexpr uint8_t kOffBoard = 3;

inline constexpr uint8_t kOpponent[4] = {0, 2, 1, 3};

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
  kThreatTree = 1,
  kThreatFreeTree = 2,
  kThreatFour = 3,
  kThreatFreeFour = 4,
  kThreatFive = 5,
};

inline constexpr const char* kThreatNames[6] = {"NONE", "TREE",      "FREE TREE",
                                                "FOUR", "FREE FOUR", "FIVE"};

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

constexpr bool OnBoard(int x, int y) {
  return x >= 0 && x < kBoardSize && y >= 0 && y < kBoardSize;
}

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

}  // namespace pentad
