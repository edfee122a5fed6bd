// The threat scanner: the strongest threat a stone on one square makes, and
// the squares where the opponent can answer it.
#pragma once

#include <cstdint>
#include <cstring>

#include "classic/board/board.hpp"

namespace pentad::classic {

// The searches look only at who holds each square, so they work on a byte
// board with a five-square border that reads as off the board; the scanner
// then needs no bounds test along its lines.
class ThreatBoard {
 public:
  static constexpr int kPad = 5;
  static constexpr int kStride = kBoardSize + 2 * kPad;
  static constexpr int kCells = kStride * kStride;

  ThreatBoard() { std::memset(cells_, kOffBoard, sizeof cells_); }
  explicit ThreatBoard(const Board& board) : ThreatBoard() {
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y) cells_[Index(x, y)] = board.at(x, y).occupant;
  }

  static constexpr int Index(int x, int y) { return (x + kPad) * kStride + (y + kPad); }
  static constexpr int Step(Direction d) { return d.dx * kStride + d.dy; }

  uint8_t at(int x, int y) const { return cells_[Index(x, y)]; }
  void Place(int x, int y, uint8_t player) { cells_[Index(x, y)] = player; }
  const uint8_t* data() const { return cells_; }

 private:
  uint8_t cells_[kCells];
};

struct KeySquare {
  int32_t x = 0;
  int32_t y = 0;
};

struct ThreatRecord {
  int32_t x = 0;
  int32_t y = 0;
  uint8_t level = 0;
  int32_t keyCount = 0;
  KeySquare keySquares[3]{};
  uint8_t win = 0;  // a FREE FOUR or a FIVE
};

// For `player` imagining a stone on (record.x, record.y): true when it makes
// a THREE or stronger, with level, key squares and win flag written into
// `record`. Writes nothing on false. The board is never changed.
bool FindThreat(const ThreatBoard& board, ThreatRecord& record, uint8_t player);

}  // namespace pentad::classic
