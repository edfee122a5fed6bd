// A position as the engines are asked about it, and its text: 20 lines of
// 20 characters, "x" and "o" the stones, "-" an empty square.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/stones.hpp"

namespace pentad {

struct Position {
  Stones stones;
  uint8_t sideRead = 0;  // kPlayerX or kPlayerO; 0 when none was named

  int StoneCount() const { return stones.StoneCount(); }
};

// Fills the stones from the position text: line y, character x is the square
// (x, y); "x" and "o" are stones and anything else is empty; an empty line
// ends the board.
void ParsePositionText(std::string_view text, Position& position);

// Keeps of the position text only what ParsePositionText can see: the first
// 20 lines, each cut to its first 21 bytes (the 21st still decides whether a
// CR ends the line). Fed piece by piece, so that a huge file costs neither
// memory nor more reading than its first 20 lines.
class PositionTextPrefix {
 public:
  // False once the 20th line has ended: nothing after it counts.
  bool Feed(std::string_view piece);
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int lineEnds_ = 0;
  size_t lineLength_ = 0;
};

// kPlayerX for text starting with "x", kPlayerO for "o", else 0.
uint8_t SideCodeOf(std::string_view sideText);

// The side to play: the side read, or, when none was named, the side whose
// turn it is by the stone counts ("x" on equal counts).
uint8_t SideToPlay(const Position& position);

// 20 lines of "-", "x", "o", each ended by CR LF.
std::string PositionText(const Stones& stones);

// "x,y" and CR LF, as a move is written back.
std::string MoveText(int x, int y);

}  // namespace pentad
