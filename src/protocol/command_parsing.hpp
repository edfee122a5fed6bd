// Reading the words and numbers of one protocol line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/brain_board.hpp"

namespace pentad::protocol {

struct CommandLine {
  std::string keyword;  // upper case
  std::string rest;     // the text after the keyword, trimmed
};

CommandLine SplitCommand(std::string_view line);

std::string Trim(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// A whole decimal integer with an optional sign, and nothing else.
std::optional<int64_t> ParseInteger(std::string_view text);

// Either the value or a reason it is not one.
template <typename T>
struct Parsed {
  std::optional<T> value;
  std::string error;
};

// "X,Y" on the board; blanks around the numbers are allowed.
Parsed<Point> ParseSquare(std::string_view text);
// "X,Y" as the brain writes a square.
std::string SquareText(Point square);

struct BoardEntry {
  Point square;
  Stone stone;
};

// "X,Y,F" of a BOARD block: F 1 own stone, 2 the opponent's, 3 a stone of a
// continuous game, which counts as the opponent's.
Parsed<BoardEntry> ParseBoardEntry(std::string_view text);

// Whether a line inside a BOARD block is the next command rather than a
// (possibly broken) stone line: commands start with a letter.
bool LooksLikeCommand(std::string_view line);

}  // namespace pentad::protocol
