#include "protocol/command_parsing.hpp"

#include <charconv>
#include <vector>

namespace pentad::protocol {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::vector<std::string> SplitFields(std::string_view text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(separator, start);
    fields.push_back(Trim(text.substr(start, comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

std::string Quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// Both coordinates must be numbers on the board.
Parsed<Point> SquareFromFields(const std::string& xText, const std::string& yText,
                               std::string_view line) {
  const auto x = ParseInteger(xText);
  const auto y = ParseInteger(yText);
  if (!x || !y) return {std::nullopt, "the coordinates in " + Quoted(line) + " are not numbers"};
  const auto inRange = [](int64_t v) { return v >= 0 && v < kBoardSize; };
  if (!inRange(*x) || !inRange(*y))
    return {std::nullopt, "square " + std::to_string(*x) + "," + std::to_string(*y) +
                              " is off the board (0..19)"};
  return {Point{static_cast<int>(*x), static_cast<int>(*y)}, ""};
}

}  // namespace

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

CommandLine SplitCommand(std::string_view line) {
  const std::string trimmed = Trim(line);
  size_t end = 0;
  while (end < trimmed.size() && !IsBlank(trimmed[end])) ++end;
  return {UpperCase(std::string_view(trimmed).substr(0, end)),
          Trim(std::string_view(trimmed).substr(end))};
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

Parsed<Point> ParseSquare(std::string_view text) {
  const auto fields = SplitFields(text, ',');
  if (fields.size() != 2) return {std::nullopt, "expected X,Y but got " + Quoted(text)};
  return SquareFromFields(fields[0], fields[1], text);
}

std::string SquareText(Point square) {
  return std::to_string(square.x) + "," + std::to_string(square.y);
}

Parsed<BoardEntry> ParseBoardEntry(std::string_view text) {
  const auto fields = SplitFields(text, ',');
  if (fields.size() != 3) return {std::nullopt, "expected X,Y,F but got " + Quoted(text)};
  const auto square = SquareFromFields(fields[0], fields[1], text);
  if (!square.value) return {std::nullopt, square.error};
  const auto field = ParseInteger(fields[2]);
  if (!field || *field < 1 || *field > 3)
    return {std::nullopt, "the stone field of " + Quoted(text) + " must be 1, 2 or 3"};
  return {BoardEntry{*square.value, *field == 1 ? Stone::kOwn : Stone::kOpponent}, ""};
}

bool LooksLikeCommand(std::string_view line) {
  const std::string trimmed = Trim(line);
  return !trimmed.empty() && IsLetter(trimmed.front());
}

}  // namespace pentad::protocol
