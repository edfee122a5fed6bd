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

std::string BrainBoard::PositionFileText() const {
  const uint8_t own = OwnColour();
  Board board{};
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const Stone s = stones_[x][y];
      if (s != Stone::kNone) board.at(x, y).occupant = s == Stone::kOwn ? own : kOpponent[own];
    }
  return PositionText(board);
}

search::SearchBoard BrainBoard::ToSearchBoard() const {
  const uint8_t own = OwnColour();
  search::SearchBoard board;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const Stone s = stones_[x][y];
      if (s != Stone::kNone)
        board.Place(search::CellAt(x, y), s == Stone::kOwn ? own : kOpponent[own]);
    }
  board.SetSideToMove(own);
  return board;
}

// Going through the file text keeps the brain's reading of a board the very
// same as the turn's, down to the stone count and the untouched cell fields.
Position BrainBoard::ToPosition() const {
  Position position;
  ParsePositionText(PositionFileText(), position);
  position.sideRead = OwnColour();
  return position;
}

}  // namespace pentad::protocol
