#include "classic/threats/find_threat.hpp"

#include "classic/board/window_patterns.hpp"

namespace pentad::classic {
namespace {

// Weights of three-stone shapes and below never make a threat.
constexpr int32_t kLeastThreatWeight = 81;
constexpr int32_t kWinWeight = 1000000;

}  // namespace

bool FindThreat(const ThreatBoard& board, ThreatRecord& record, uint8_t player) {
  if (!OnBoard(record.x, record.y)) return false;
  const uint8_t* cells = board.data();
  const int centre = ThreatBoard::Index(record.x, record.y);
  if (cells[centre] != kEmpty) return false;

  int32_t bestWeight = kLeastThreatWeight;
  int bestMask = 0, bestOpenness = 0, bestDirection = -1, bestStart = 0;
  for (int d = 0; d < 4; ++d) {
    const int step = ThreatBoard::Step(kDirections[d]);
    // line[k + 5] for offsets -5..+5: 1 own (the imagined stone included),
    // 0 empty, 3 blocked by the edge or an opponent stone.
    uint8_t line[11];
    int lo = -5, hi = 5;
    bool blockedAbove = false;
    for (int k = -5; k <= 5; ++k) {
      const uint8_t c = k == 0 ? player : cells[centre + k * step];
      const uint8_t code = c == player ? 1 : c == kEmpty ? 0 : 3;
      line[k + 5] = code;
      if (code != 3) continue;
      if (k < 0) {
        lo = k;
      } else if (!blockedAbove) {
        hi = k;
        blockedAbove = true;
      }
    }
    for (int s = lo + 1; s <= hi - 5; ++s) {
      int mask = 0;
      for (int i = 0; i < 5; ++i) mask |= (line[s + i + 5] == 1) << i;
      const int openness = (line[s - 1 + 5] != 3 ? 1 : 0) | (line[s + 5 + 5] != 3 ? 2 : 0);
      const int32_t weight = kClassWeights[0][PatternClass(mask, openness)];
      if (weight > bestWeight) {
        bestWeight = weight;
        bestMask = mask;
        bestOpenness = openness;
        bestDirection = d;
        bestStart = s;
      }
    }
  }
  if (bestDirection < 0) return false;

  const PatternEntry& entry = kPatterns[bestMask][bestOpenness];
  const Direction dir = kDirections[bestDirection];
  record.level = entry.level;
  if (bestWeight >= kWinWeight) record.win = 1;
  record.keyCount = 0;
  for (int j = 0; j < 3 && entry.keySquares[j] < kNoKeySquare; ++j) {
    const int offset = bestStart + entry.keySquares[j] - 1;
    record.keySquares[j] = {record.x + offset * dir.dx, record.y + offset * dir.dy};
    record.keyCount = j + 1;
  }
  return true;
}

}  // namespace pentad::classic
