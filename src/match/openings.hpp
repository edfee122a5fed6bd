// Openings in the format existing managers use: one a line, the moves as
// offsets from the centre square (10, 10), "dx,dy, dx,dy, ...", played
// alternately from "x".
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

// Blank lines and lines starting with "#" are skipped. nullopt, and `error`
// naming the line, for a malformed opening: an odd count of numbers, a
// move off the board or onto an earlier one, or five in a row already.
std::optional<std::vector<Opening>> ParseOpenings(std::string_view text, std::string* error);
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

}  // namespace pentad::match
