#include "match/rules.hpp"

#include <charconv>

#include "common/position.hpp"

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

namespace {

uint8_t PlayerOf(Side side) {
  return side == Side::kX ? kPlayerX : kPlayerO;
}

}  // namespace

std::optional<Side> GameBoard::At(Point p) const {
  const uint8_t stone = stones_.At(p);
  if (stone == kEmpty) return std::nullopt;
  return stone == kPlayerX ? Side::kX : Side::kO;
}

void GameBoard::Place(Point p, Side side) {
  stones_.Place(p, PlayerOf(side));
}

std::string GameBoard::PositionText() const {
  return pentad::PositionText(stones_);
}

}  // namespace pentad::match
