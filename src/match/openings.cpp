#include "match/openings.hpp"

#include <charconv>
#include <fstream>
#include <iterator>

namespace pentad::match {
namespace {

std::optional<std::vector<int>> NumbersOf(std::string_view line) {
  std::vector<int> numbers;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ',' || c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    int value = 0;
    const char* begin = line.data() + i;
    const auto [end, ec] = std::from_chars(begin, line.data() + line.size(), value);
    if (ec != std::errc() || end == begin) return std::nullopt;
    numbers.push_back(value);
    i += static_cast<size_t>(end - begin);
    if (i < line.size() && line[i] != ',' && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
      return std::nullopt;
  }
  return numbers;
}

std::optional<Opening> ParseOpeningLine(std::string_view line, std::string* problem) {
  const auto numbers = NumbersOf(line);
  if (!numbers) {
    *problem = "expected numbers separated by commas";
    return std::nullopt;
  }
  if (numbers->size() % 2 != 0) {
    *problem = "odd count of numbers";
    return std::nullopt;
  }
  Opening opening;
  GameBoard board;
  for (size_t i = 0; i < numbers->size(); i += 2) {
    const Point p{kCentre.x + (*numbers)[i], kCentre.y + (*numbers)[i + 1]};
    const std::string move = "move " + std::to_string(i / 2 + 1);
    if (!Inside(p)) {
      *problem = move + " is off the board";
      return std::nullopt;
    }
    if (!board.Empty(p)) {
      *problem = move + " is onto an earlier one";
      return std::nullopt;
    }
    board.Place(p, SideOfMove(opening.size()));
    if (board.MakesFive(p)) {
      *problem = move + " makes five in a row";
      return std::nullopt;
    }
    opening.push_back(p);
  }
  return opening;
}

}  // namespace

std::optional<std::vector<Opening>> ParseOpenings(std::string_view text, std::string* error) {
  std::vector<Opening> openings;
  size_t start = 0;
  for (int lineNumber = 1; start < text.size(); ++lineNumber) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == '#') continue;
    std::string problem;
    auto opening = ParseOpeningLine(line, &problem);
    if (!opening) {
      *error = "line " + std::to_string(lineNumber) + ": " + problem;
      return std::nullopt;
    }
    openings.push_back(std::move(*opening));
  }
  if (openings.empty()) {
    *error = "no openings";
    return std::nullopt;
  }
  return openings;
}

std::optional<std::vector<Opening>> LoadOpenings(const std::filesystem::path& file,
                                                 std::string* error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "cannot read " + file.string();
    return std::nullopt;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto openings = ParseOpenings(text, error);
  if (!openings) *error = file.string() + ", " + *error;
  return openings;
}

GameSchedule ScheduleOf(int index, int openingCount) {
  GameSchedule schedule;
  schedule.aPlaysX = index % 2 == 0;
  if (openingCount > 0) schedule.openingIndex = (index / 2) % openingCount;
  return schedule;
}

}  // namespace pentad::match
