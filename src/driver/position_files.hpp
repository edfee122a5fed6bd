// The file exchange with the game manager: "Plocha.dat" holds the position,
// "Tah.dat" the engine's side on input and its move on output.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "board/board.hpp"
#include "book/file_lookup.hpp"

namespace pentad {

inline constexpr const char* kPositionFileName = "Plocha.dat";
inline constexpr const char* kSideFileName = "Tah.dat";
inline constexpr const char* kLearnFileName = "LEARN.ini";

struct Position {
  Board board{};
  int stoneCount = 0;
  uint8_t sideRead = 0;  // 0 when the side file named neither "x" nor "o"
};

// Fills the board from the position text: 20 lines of 20 characters, "x" and
// "o" stones, anything else empty; an empty line ends the board.
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

uint8_t SideCodeOf(std::string_view sideText);

// Reads both files of `dir`. Without a side file there is nothing to answer:
// returns nullopt. A missing position file reads as an empty board.
// `sideFile` receives the side file found, which the move goes back into.
std::optional<Position> ReadPosition(const std::filesystem::path& dir,
                                     std::filesystem::path* sideFile = nullptr);

// "x,y" and CR LF, replacing what the side file held. Writes nothing when
// the file cannot be opened for reading first.
void WriteMove(const std::filesystem::path& sideFile, int x, int y);

std::string MoveText(int x, int y);

bool LearnFilePresent(const std::filesystem::path& dir);

// The directory of the running executable (the current one if unknown):
// where programs started by a manager find their data and their siblings.
std::filesystem::path ExecutableDirectory();

// The board as position text, 20 lines of "-", "x", "o" ended by CR LF.
std::string PositionText(const Board& board);

}  // namespace pentad
