// The board as the match runner keeps it, and the one rule it judges:
// five or more stones of one side in a row win.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/stones.hpp"

namespace pentad::match {

// "x" moves first and is Black in the game records.
enum class Side : uint8_t { kX = 0, kO = 1 };

constexpr Side Other(Side side) {
  return side == Side::kX ? Side::kO : Side::kX;
}
constexpr int IndexOf(Side side) {
  return static_cast<int>(side);
}
constexpr char LetterOf(Side side) {
  return side == Side::kX ? 'x' : 'o';
}
// With "x" first and strict alternation, the mover follows from the count.
constexpr Side SideOfMove(size_t moveIndex) {
  return moveIndex % 2 == 0 ? Side::kX : Side::kO;
}

std::string PointText(Point p);

// "X,Y" with optional blanks around either number; nothing else on the line.
std::optional<Point> ParsePoint(std::string_view text);

class GameBoard {
 public:
  bool Empty(Point p) const { return stones_.Empty(p); }
  std::optional<Side> At(Point p) const;
  void Place(Point p, Side side);
  // Whether the stone on `p` ends the game: five or more in an unbroken line.
  bool MakesFive(Point p) const { return stones_.MakesFive(p); }
  bool Full() const { return stones_.Full(); }
  int Stones() const { return stones_.StoneCount(); }
  // 20 lines of 20 characters "-", "x", "o", each ended by CR LF.
  std::string PositionText() const;

 private:
  pentad::Stones stones_;
};

}  // namespace pentad::match
