// Pattern tables: what a five-cell window of one colour is worth.
//
// A window is indexed by its pattern mask (bit i set when cell wi holds the
// pattern's colour) and its openness code (bit 0: the cell before the window
// is open, bit 1: the cell after it is open). Open means on the board and
// empty or of the pattern's colour.
#pragma once

#include <cstdint>

namespace pentad::classic {

inline constexpr int32_t kNoKeySquare = 1000;

struct PatternEntry {
  uint8_t patternClass;
  uint8_t level;
  int32_t keySquares[3];  // positions 0..6 (0 before the window, 6 after), padded with 1000
};

namespace pattern_detail {
inline constexpr int32_t N = kNoKeySquare;
inline constexpr PatternEntry E(uint8_t c, uint8_t l) {
  return {c, l, {N, N, N}};
}
inline constexpr PatternEntry E(uint8_t c, uint8_t l, int32_t a) {
  return {c, l, {a, N, N}};
}
inline constexpr PatternEntry E(uint8_t c, uint8_t l, int32_t a, int32_t b) {
  return {c, l, {a, b, N}};
}
inline constexpr PatternEntry E(uint8_t c, uint8_t l, int32_t a, int32_t b, int32_t d) {
  return {c, l, {a, b, d}};
}
}  // namespace pattern_detail

// kPatterns[mask][openness]
inline constexpr PatternEntry kPatterns[32][4] = {
#define Z pattern_detail::E
    /* 0 ..... */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 1 X.... */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 2 .X... */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 3 XX... */ {Z(1, 0), Z(2, 0), Z(1, 0), Z(2, 0)},
    /* 4 ..X.. */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 5 X.X.. */ {Z(1, 0), Z(2, 0), Z(1, 0), Z(2, 0)},
    /* 6 .XX.. */ {Z(1, 0), Z(2, 0), Z(2, 0), Z(2, 0)},
    /* 7 XXX.. */ {Z(3, 0), Z(3, 0), Z(3, 0), Z(3, 0)},
    /* 8 ...X. */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 9 X..X. */ {Z(1, 0), Z(2, 0), Z(1, 0), Z(2, 0)},
    /* 10 .X.X. */ {Z(1, 0), Z(2, 0), Z(2, 0), Z(2, 0)},
    /* 11 XX.X. */ {Z(3, 0), Z(4, 1, 0, 3, 5), Z(3, 0), Z(4, 1, 0, 3, 5)},
    /* 12 ..XX. */ {Z(1, 0), Z(2, 0), Z(2, 0), Z(2, 0)},
    /* 13 X.XX. */ {Z(3, 0), Z(4, 1, 0, 2, 5), Z(3, 0), Z(4, 1, 0, 2, 5)},
    /* 14 .XXX. */ {Z(3, 0), Z(4, 1, 0, 1, 5), Z(4, 1, 1, 5, 6), Z(4, 2, 1, 5)},
    /* 15 XXXX. */ {Z(6, 3, 5), Z(7, 4), Z(6, 3, 5), Z(7, 4)},
    /* 16 ....X */ {Z(0, 0), Z(0, 0), Z(0, 0), Z(0, 0)},
    /* 17 X...X */ {Z(1, 0), Z(1, 0), Z(1, 0), Z(1, 0)},
    /* 18 .X..X */ {Z(1, 0), Z(1, 0), Z(2, 0), Z(2, 0)},
    /* 19 XX..X */ {Z(3, 0), Z(3, 0), Z(3, 0), Z(3, 0)},
    /* 20 ..X.X */ {Z(1, 0), Z(1, 0), Z(2, 0), Z(2, 0)},
    /* 21 X.X.X */ {Z(3, 0), Z(3, 0), Z(3, 0), Z(3, 0)},
    /* 22 .XX.X */ {Z(3, 0), Z(3, 0), Z(4, 1, 1, 4, 6), Z(4, 1, 1, 4, 6)},
    /* 23 XXX.X */ {Z(6, 3, 4), Z(6, 3, 4), Z(6, 3, 4), Z(6, 3, 4)},
    /* 24 ...XX */ {Z(1, 0), Z(1, 0), Z(2, 0), Z(2, 0)},
    /* 25 X..XX */ {Z(3, 0), Z(3, 0), Z(3, 0), Z(3, 0)},
    /* 26 .X.XX */ {Z(3, 0), Z(3, 0), Z(4, 1, 1, 3, 6), Z(4, 1, 1, 3, 6)},
    /* 27 XX.XX */ {Z(6, 3, 3), Z(6, 3, 3), Z(6, 3, 3), Z(6, 3, 3)},
    /* 28 ..XXX */ {Z(3, 0), Z(3, 0), Z(3, 0), Z(3, 0)},
    /* 29 X.XXX */ {Z(6, 3, 2), Z(6, 3, 2), Z(6, 3, 2), Z(6, 3, 2)},
    /* 30 .XXXX */ {Z(6, 3, 1), Z(6, 3, 1), Z(7, 4), Z(7, 4)},
    /* 31 XXXXX */ {Z(8, 5, 4), Z(8, 5, 4), Z(8, 5, 4), Z(8, 5, 4)},
#undef Z
};

// Row 0 scores the evaluated side's windows, row 1 the other side's.
inline constexpr int32_t kClassWeights[2][9] = {
    {0, 5, 80, 81, 400, 401, 402, 1000000, 100000000},
    {0, 5, 80, 81, 400, 401, 402, 800000, 80000000},
};

// Threat level of pattern classes 1..8, indexed by class - 1.
inline constexpr uint8_t kClassToLevel[8] = {0, 0, 0, 1, 2, 3, 4, 5};

constexpr uint8_t PatternClass(int mask, int openness) {
  return kPatterns[mask][openness].patternClass;
}

}  // namespace pentad::classic
