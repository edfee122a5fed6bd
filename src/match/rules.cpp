#include "match/rules.hpp"

#include <charconv>

namespace pentad::match {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<int> ParseInt(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string PointText(Point p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::optional<Point> ParsePoint(std::string_view text) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto x = ParseInt(text.substr(0, comma));
  const auto y = ParseInt(text.substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return Point{*x, *y};
}

std::optional<Side> GameBoard::At(Point p) const {
  const uint8_t code = cells_[Offset(p)];
  if (code == 0) return std::nullopt;
  return static_cast<Side>(code - 1);
}

void GameBoard::Place(Point p, Side side) {
  uint8_t& cell = cells_[Offset(p)];
  if (cell == 0) ++stones_;
  cell = static_cast<uint8_t>(IndexOf(side) + 1);
}

int GameBoard::RunLength(Point from, int dx, int dy, uint8_t code) const {
  int length = 0;
  for (Point p{from.x + dx, from.y + dy}; Inside(p) && cells_[Offset(p)] == code;
       p = {p.x + dx, p.y + dy})
    ++length;
  return length;
}

bool GameBoard::MakesFive(Point p) const {
  const uint8_t code = cells_[Offset(p)];
  if (code == 0) return false;
  static constexpr int kLines[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  for (const auto& [dx, dy] : kLines) {
    if (1 + RunLength(p, dx, dy, code) + RunLength(p, -dx, -dy, code) >= 5) return true;
  }
  return false;
}

std::string GameBoard::PositionText() const {
  std::string text;
  text.reserve(kSize * (kSize + 2));
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const uint8_t code = cells_[Offset({x, y})];
      text += code == 0 ? '-' : code == 1 ? 'x' : 'o';
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace pentad::match
