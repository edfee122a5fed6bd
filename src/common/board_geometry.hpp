// The game both engines play and every front end shows: a 20 x 20 board,
// two players and the empty square, and one point type for a square.
#pragma once

#include <cstdint>

namespace pentad {

inline constexpr int kBoardSize = 20;
inline constexpr int kBoardCells = kBoardSize * kBoardSize;

// Player codes, as the position text writes them: "x" moves first. kOffBoard
// only ever appears inside the engines' line windows.
inline constexpr uint8_t kEmpty = 0;
inline constexpr uint8_t kPlayerX = 1;
inline constexpr uint8_t kPlayerO = 2;
inline constexpr uint8_t kOffBoard = 3;

inline constexpr uint8_t kOpponent[4] = {0, 2, 1, 3};

// A square of the board: x the column, y the row of the position text.
struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// What an engine answers when no square is left.
inline constexpr Point kNoPoint{-1, -1};

constexpr bool OnBoard(int x, int y) {
  return x >= 0 && x < kBoardSize && y >= 0 && y < kBoardSize;
}

constexpr bool OnBoard(Point p) {
  return OnBoard(p.x, p.y);
}

}  // namespace pentad
