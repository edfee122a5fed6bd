#include "protocol/brain_board.hpp"

namespace pentad::protocol {

int BrainBoard::Count(Stone stone) const {
  int n = 0;
  for (const auto& column : stones_)
    for (const Stone s : column) n += s == stone;
  return n;
}

uint8_t BrainBoard::OwnColour() const {
  return Count(Stone::kOwn) == Count(Stone::kOpponent) ? kPlayerX : kPlayerO;
}

Stones BrainBoard::ColouredStones() const {
  const uint8_t own = OwnColour();
  Stones stones;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const Stone s = stones_[x][y];
      if (s != Stone::kNone) stones.Place({x, y}, s == Stone::kOwn ? own : kOpponent[own]);
    }
  return stones;
}

std::string BrainBoard::PositionFileText() const {
  return PositionText(ColouredStones());
}

Position BrainBoard::ToPosition() const {
  return Position{ColouredStones(), OwnColour()};
}

}  // namespace pentad::protocol
