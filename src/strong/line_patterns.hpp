// Line patterns of the strong engine: what a side makes along one line by
// playing an empty cell, read from the 8 cells around it (4 on each side).
#pragma once

#include <array>
#include <cstdint>

#include "common/board_geometry.hpp"

namespace pentad::strong {

// Ordered by strength, so that "at least a four" is a comparison.
enum class LinePattern : uint8_t {
  kNone,
  kClosedTwo,    // can become a closed three in one move
  kOpenTwo,      // can become an open three in one move
  kClosedThree,  // can become a four in one move
  kOpenThree,    // can become an open four in one move
  kFour,         // exactly one cell completes five
  kOpenFour,     // two or more cells complete five
  kFive,         // five or more in a row (an overline wins too)
};
inline constexpr int kLinePatternCount = 8;

// What a cell is worth to one side over its 4 lines together.
enum class CellPattern : uint8_t {
  kNone,
  kTwo,          // one two, open or closed
  kDoubleTwo,    // two or more open twos
  kClosedThree,  // a closed three, nothing stronger
  kOpenThree,
  kDoubleThree,  // open threes on two or more lines
  kFour,         // one four, no open three with it
  kFourThree,    // one four and an open three on another line
  kDoubleFour,   // fours on two or more lines: two cells complete five
  kOpenFour,
  kFive,
};
inline constexpr int kCellPatternCount = 11;

// The window key of a cell along one direction: the cell at offset k
// (-4..-1, 1..4) holds its code (kEmpty, kPlayerX, kPlayerO, kOffBoard) in
// bits 2 * WindowSlot(k) and up. The centre itself is not in the key.
inline constexpr int kWindowReach = 4;
inline constexpr int kWindowKeys = 1 << 16;

constexpr int WindowSlot(int offset) {
  return offset < 0 ? offset + kWindowReach : offset + 3;
}

constexpr uint16_t WindowBits(int offset, uint8_t code) {
  return static_cast<uint16_t>(code << (2 * WindowSlot(offset)));
}

// Both sides' patterns of every key: the low nibble is X's, the high O's.
using LinePatternTable = std::array<uint8_t, kWindowKeys>;
extern const LinePatternTable kLinePatterns;

// Cell pattern of the 4 line patterns packed 3 bits each, direction d in
// bits 3d..3d+2.
inline constexpr int kPackedLineBits = 3;
using CellPatternTable = std::array<CellPattern, 1 << (4 * kPackedLineBits)>;
extern const CellPatternTable kCellPatterns;

inline LinePattern LinePatternOf(uint16_t key, uint8_t player) {
  const int shift = player == kPlayerX ? 0 : 4;
  return static_cast<LinePattern>((kLinePatterns[key] >> shift) & 0xF);
}

}  // namespace pentad::strong
