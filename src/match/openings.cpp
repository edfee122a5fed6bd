#include "match/openings.hpp"

#include <algorithm>
#include <charconv>

#include "common/regular_file.hpp"
#include "match/openings_default_data.hpp"

namespace pentad::match {
namespace {

bool IsSeparator(char c) {
  return c == ',' || c == ' ' || c == '\t' || c == '\r';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Calls `read` on the rest of the line at every token (a run that starts
// after separators); it returns how many characters it took, or nothing
// for a bad token, which makes the whole line bad.
template <typename Read>
bool ReadTokens(std::string_view line, Read read) {
  size_t i = 0;
  while (i < line.size()) {
    if (IsSeparator(line[i])) {
      ++i;
      continue;
    }
    const std::optional<size_t> taken = read(line.substr(i));
    if (!taken) return false;
    i += *taken;
  }
  return true;
}

std::optional<std::vector<int>> NumbersOf(std::string_view line) {
  std::vector<int> numbers;
  const bool read = ReadTokens(line, [&numbers](std::string_view rest) -> std::optional<size_t> {
    int value = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    const auto taken = static_cast<size_t>(end - rest.data());
    if (ec != std::errc() || taken == 0) return std::nullopt;
    if (taken < rest.size() && !IsSeparator(rest[taken])) return std::nullopt;
    numbers.push_back(value);
    return taken;
  });
  if (!read) return std::nullopt;
  return numbers;
}

// "h8i9", "h8 i9 j10", "H8, I9": a letter for the column (a = x 0), a
// number for the row (1 = y 0). As offsets from the centre, so that a
// square off the board is reported as such.
std::optional<std::vector<int>> OffsetsOfMoves(std::string_view line) {
  std::vector<int> offsets;
  const bool read = ReadTokens(line, [&offsets](std::string_view rest) -> std::optional<size_t> {
    if (!IsLetter(rest[0]) || rest.size() < 2 || !IsDigit(rest[1])) return std::nullopt;
    const int x = (rest[0] | 0x20) - 'a';
    int row = 0;
    size_t i = 1;
    for (; i < rest.size() && IsDigit(rest[i]) && row < 1000; ++i) row = row * 10 + (rest[i] - '0');
    offsets.push_back(x - kCentre.x);
    offsets.push_back(row - 1 - kCentre.y);
    return i;
  });
  if (!read) return std::nullopt;
  return offsets;
}

// Any offset past the board stays off it: the sum must not overflow.
Point FromCentre(int dx, int dy) {
  const auto near = [](int offset) { return std::clamp(offset, -2 * kBoardSize, 2 * kBoardSize); };
  return {kCentre.x + near(dx), kCentre.y + near(dy)};
}

std::optional<Opening> ParseOpeningLine(std::string_view line, std::string* problem) {
  const bool moves = IsLetter(line[line.find_first_not_of(" \t")]);
  const auto numbers = moves ? OffsetsOfMoves(line) : NumbersOf(line);
  if (!numbers) {
    *problem = moves ? "expected moves as letter and number, like h8i9"
                     : "expected numbers separated by commas";
    return std::nullopt;
  }
  if (numbers->size() % 2 != 0) {
    *problem = "odd count of numbers";
    return std::nullopt;
  }
  Opening opening;
  GameBoard board;
  for (size_t i = 0; i < numbers->size(); i += 2) {
    const Point p = FromCentre((*numbers)[i], (*numbers)[i + 1]);
    const std::string move = "move " + std::to_string(i / 2 + 1);
    if (!OnBoard(p)) {
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
    line = line.substr(0, line.find('#'));
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) continue;
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
  const FileContents contents =
      ReadRegularFile(file, {.maxBytes = kMaxOpeningsBytes, .followLink = true});
  if (!contents.Read()) {
    *error = "cannot read " + file.string() + ": it " + contents.error;
    return std::nullopt;
  }
  auto openings = ParseOpenings(contents.bytes, error);
  if (!openings) *error = file.string() + ", " + *error;
  return openings;
}

const std::vector<Opening>& DefaultOpenings() {
  // Parsed once; the embedded text is checked by the tests.
  static const std::vector<Opening> openings = [] {
    std::string error;
    auto parsed = ParseOpenings(opening_data::kAssets[0].bytes, &error);
    return parsed ? std::move(*parsed) : std::vector<Opening>{};
  }();
  return openings;
}

GameSchedule ScheduleOf(int index, int openingCount) {
  GameSchedule schedule;
  schedule.aPlaysX = index % 2 == 0;
  if (openingCount > 0) schedule.openingIndex = (index / 2) % openingCount;
  return schedule;
}

}  // namespace pentad::match
