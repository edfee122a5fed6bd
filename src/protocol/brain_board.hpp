// The game as the brain keeps it between commands: whose stone lies where,
// seen from the brain (own stones and the opponent's), not by colour.
#pragma once

#include <cstdint>
#include <optional>

#include "common/position.hpp"

namespace pentad::protocol {

enum class Stone : uint8_t { kNone = 0, kOwn = 1, kOpponent = 2 };

class BrainBoard {
 public:
  Stone At(Point s) const { return stones_[s.x][s.y]; }
  void Place(Point s, Stone stone) { stones_[s.x][s.y] = stone; }
  void Remove(Point s) { stones_[s.x][s.y] = Stone::kNone; }
  void Clear() { *this = BrainBoard{}; }

  int Count(Stone stone) const;
  bool Full() const { return Count(Stone::kNone) == 0; }

  // The colour the brain plays when it is to move: "x" when both sides have
  // as many stones (the brain moved first), else "o".
  uint8_t OwnColour() const;

  // The position exactly as a turn would read it from "Plocha.dat" and
  // "Tah.dat" holding this board with the brain to move.
  Position ToPosition() const;
  std::string PositionFileText() const;

 private:
  Stones ColouredStones() const;

  Stone stones_[kBoardSize][kBoardSize]{};
};

}  // namespace pentad::protocol
