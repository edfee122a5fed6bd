// The stones on the board, and the one rule of the game: five or more of
// one player in an unbroken line win.
#pragma once

#include <array>
#include <cstdint>

#include "common/board_geometry.hpp"

namespace pentad {

class Stones {
 public:
  uint8_t At(Point p) const { return cells_[Offset(p)]; }
  uint8_t At(int x, int y) const { return cells_[Offset({x, y})]; }
  bool Empty(Point p) const { return At(p) == kEmpty; }
  // `player` is kPlayerX or kPlayerO; kEmpty takes a stone away.
  void Place(Point p, uint8_t player) { cells_[Offset(p)] = player; }
  void Remove(Point p) { cells_[Offset(p)] = kEmpty; }

  int Count(uint8_t code) const;
  int StoneCount() const { return kBoardCells - Count(kEmpty); }
  bool Full() const { return Count(kEmpty) == 0; }

  // Whether the stone on `p` lies in a line of five or more of its player.
  bool MakesFive(Point p) const;

  bool operator==(const Stones&) const = default;

 private:
  static int Offset(Point p) { return p.x * kBoardSize + p.y; }
  int RunLength(Point from, int dx, int dy, uint8_t player) const;

  std::array<uint8_t, kBoardCells> cells_{};
};

}  // namespace pentad
