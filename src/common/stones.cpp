#include "common/stones.hpp"

#include <algorithm>

namespace pentad {

int Stones::Count(uint8_t code) const {
  return static_cast<int>(std::count(cells_.begin(), cells_.end(), code));
}

int Stones::RunLength(Point from, int dx, int dy, uint8_t player) const {
  int length = 0;
  for (Point p{from.x + dx, from.y + dy}; OnBoard(p) && At(p) == player; p = {p.x + dx, p.y + dy})
    ++length;
  return length;
}

bool Stones::MakesFive(Point p) const {
  const uint8_t player = At(p);
  if (player != kPlayerX && player != kPlayerO) return false;
  constexpr int kLines[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  for (const auto& line : kLines) {
    const int length =
        1 + RunLength(p, line[0], line[1], player) + RunLength(p, -line[0], -line[1], player);
    if (length >= 5) return true;
  }
  return false;
}

}  // namespace pentad
