// Openings, one a line, played alternately from "x", in either of the two
// common notations, told apart per line by its first character: offsets
// from the centre square (10, 10), "dx,dy, dx,dy, ...", or moves as letter
// and number, "h8i9" or "h8 i9 j10", the letter the column (a = x 0), the
// number the row (1 = y 0), so that "k11" is the centre.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "match/rules.hpp"

namespace pentad::match {

using Opening = std::vector<Point>;  // board coordinates, "x" first

inline constexpr Point kCentre{10, 10};

// A "#" starts a comment; blank lines are skipped. nullopt, and `error`
// naming the line, for a malformed opening: an odd count of numbers, a
// move off the board or onto an earlier one, or five in a row already.
std::optional<std::vector<Opening>> ParseOpenings(std::string_view text, std::string* error);
// Tens of thousands of openings; the file may be a device or a sparse giant.
inline constexpr size_t kMaxOpeningsBytes = 1024 * 1024;
// Reads only a regular file (or a link to one) of at most kMaxOpeningsBytes.
std::optional<std::vector<Opening>> LoadOpenings(const std::filesystem::path& file,
                                                 std::string* error);

// Which side A takes and which opening game `index` (0-based) plays: the
// colours alternate, and each opening is played twice in a row, once from
// each side, in the file's order, starting over after the last.
struct GameSchedule {
  bool aPlaysX = true;
  int openingIndex = -1;  // -1 without openings
};
GameSchedule ScheduleOf(int index, int openingCount);

// The built-in set, from src/match/openings-default.txt: two to four stones
// near the centre that the strong engine rates near equal. Games start from
// them without --openings, so that deterministic engines do not replay one
// game over and over.
const std::vector<Opening>& DefaultOpenings();

}  // namespace pentad::match
