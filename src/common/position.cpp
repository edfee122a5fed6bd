#include "common/position.hpp"

namespace pentad {
namespace {

// A line keeps this many bytes: the 20 squares and the byte after them,
// which tells a CR that ends a 20-square line from a longer line.
constexpr size_t kKeptLineLength = kBoardSize + 1;

}  // namespace

void ParsePositionText(std::string_view text, Position& position) {
  size_t lineStart = 0;
  for (int y = 0; y < kBoardSize; ++y) {
    std::string_view line;
    if (lineStart < text.size()) {
      size_t lineEnd = text.find('\n', lineStart);
      if (lineEnd == std::string_view::npos) lineEnd = text.size();
      line = text.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    if (line.empty()) return;  // an empty or missing line ends the board
    for (int x = 0; x < kBoardSize && x < static_cast<int>(line.size()); ++x) {
      if (line[x] == 'x') position.stones.Place({x, y}, kPlayerX);
      if (line[x] == 'o') position.stones.Place({x, y}, kPlayerO);
      if (line[x] == '-') position.stones.Remove({x, y});
    }
  }
}

bool PositionTextPrefix::Feed(std::string_view piece) {
  while (!piece.empty() && lineEnds_ < kBoardSize) {
    const size_t end = piece.find('\n');
    const std::string_view part = piece.substr(0, end);
    if (lineLength_ < kKeptLineLength) text_.append(part.substr(0, kKeptLineLength - lineLength_));
    lineLength_ += part.size();
    if (end == std::string_view::npos) break;
    text_ += '\n';
    ++lineEnds_;
    lineLength_ = 0;
    piece.remove_prefix(end + 1);
  }
  return lineEnds_ < kBoardSize;
}

uint8_t SideCodeOf(std::string_view sideText) {
  if (sideText.empty()) return 0;
  if (sideText[0] == 'x') return kPlayerX;
  if (sideText[0] == 'o') return kPlayerO;
  return 0;
}

uint8_t SideToPlay(const Position& position) {
  if (position.sideRead == kPlayerX || position.sideRead == kPlayerO) return position.sideRead;
  return position.stones.Count(kPlayerX) <= position.stones.Count(kPlayerO) ? kPlayerX : kPlayerO;
}

std::string PositionText(const Stones& stones) {
  std::string text;
  text.reserve(kBoardSize * (kBoardSize + 2));
  for (int y = 0; y < kBoardSize; ++y) {
    for (int x = 0; x < kBoardSize; ++x) {
      const uint8_t stone = stones.At(x, y);
      text += stone == kPlayerX ? 'x' : stone == kPlayerO ? 'o' : '-';
    }
    text += "\r\n";
  }
  return text;
}

std::string MoveText(int x, int y) {
  return std::to_string(x) + "," + std::to_string(y) + "\r\n";
}

}  // namespace pentad
