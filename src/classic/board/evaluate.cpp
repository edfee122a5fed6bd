#include "classic/board/evaluate.hpp"

#include <algorithm>

#include "classic/board/window_patterns.hpp"

namespace pentad::classic {
namespace {

constexpr int kLineLength = 11;  // offsets -5..+5, the cell itself at index 5
constexpr int kCentre = 5;

struct ClassCounts {
  int32_t count[2][9];
};

struct LineBuffer {
  uint8_t code[kLineLength];
  int lower;  // largest off-board index below the centre, 0 when none
  int upper;  // smallest off-board index above the centre, 10 when none
};

LineBuffer ReadLine(const Board& board, int x, int y, Direction dir) {
  LineBuffer line;
  line.lower = 0;
  line.upper = kLineLength - 1;
  line.code[kCentre] = kEmpty;
  for (int i = 5; i >= 1; --i) {
    const int mx = x - i * dir.dx, my = y - i * dir.dy;
    if (OnBoard(mx, my)) {
      line.code[kCentre - i] = board.at(mx, my).occupant;
    } else {
      line.code[kCentre - i] = kOffBoard;
      line.lower = kCentre - i;
    }
    const int px = x + i * dir.dx, py = y + i * dir.dy;
    if (OnBoard(px, py)) {
      line.code[kCentre + i] = board.at(px, py).occupant;
    } else {
      line.code[kCentre + i] = kOffBoard;
      line.upper = kCentre + i;
    }
  }
  return line;
}

bool IsOpenFor(uint8_t code, uint8_t colour) {
  return code == kEmpty || code == colour;
}

// Counts the windows of one direction into `counts`; returns the run count
// (windows without a stone of the other side, as the free-room rule sees it).
int CountDirection(const LineBuffer& line, uint8_t side, bool sideIsPlayer, int stoneCount,
                   int direction, ClassCounts& counts) {
  int currentClass = 0;
  int runCount = 0;
  for (int s = line.lower + 1; s <= line.upper - 5; ++s) {
    int stones[3] = {0, 0, 0};
    int mask = 0;
    for (int j = 0; j < 5; ++j) {
      const uint8_t code = line.code[s + j];
      if (code == kPlayerX || code == kPlayerO) {
        ++stones[code];
        mask |= 1 << j;
        if (stones[kPlayerX] > 0 && stones[kPlayerO] > 0) break;
      }
    }
    if (stones[kPlayerX] == 0 && stones[kPlayerO] == 0) {
      ++runCount;
      continue;
    }
    if (stones[kPlayerX] > 0 && stones[kPlayerO] > 0) {
      if (runCount < 3) runCount = 0;
      continue;
    }
    const uint8_t colour = stones[kPlayerX] > 0 ? kPlayerX : kPlayerO;
    const int openness = (IsOpenFor(line.code[s - 1], colour) ? 1 : 0) |
                         (IsOpenFor(line.code[s + 5], colour) ? 2 : 0);
    const int who = (!sideIsPlayer || colour == side) ? 0 : 1;
    mask |= 1 << (kCentre - s);
    if (who == 0) {
      ++runCount;
    } else if (runCount < 3) {
      runCount = 0;
    }
    const int patternClass = PatternClass(mask, openness);
    if (currentClass == 0) {
      ++counts.count[who][patternClass];
      currentClass = patternClass;
    } else if (patternClass < currentClass) {
      currentClass = 0;
    } else if (patternClass > currentClass) {
      --counts.count[who][currentClass];
      ++counts.count[who][patternClass];
      // In the six-stone phase a four along a row or the main diagonal is
      // worth as much as an open four.
      if (stoneCount == 6 && patternClass == 6 && who == 0 && direction < 2) ++counts.count[0][7];
      currentClass = patternClass;
    } else if (patternClass < 3) {
      ++counts.count[who][patternClass];
    }
  }
  return runCount;
}

struct SideResult {
  int64_t score;
  uint8_t threat;
  uint8_t doubleMark;
};

SideResult ScoreSide(const ClassCounts& totals, int who, int freeRoom, uint8_t previousDouble) {
  SideResult result{0, 0, previousDouble};
  const int32_t* t = totals.count[who];
  for (int k = 1; k <= 8; ++k) result.score += int64_t{kClassWeights[who][k]} * t[k];
  for (int k = 4; k <= 8; ++k)
    if (t[k] > 0) result.threat = std::max(result.threat, kClassToLevel[k - 1]);
  if (t[4] + t[5] + t[6] >= 2) {
    if (t[6] > 0) {
      result.doubleMark = std::max<uint8_t>(result.doubleMark, 2);
      result.score *= 7;
    } else {
      result.doubleMark = std::max<uint8_t>(result.doubleMark, 1);
      result.score *= 11;
    }
  }
  result.score += 10 * freeRoom;
  return result;
}

// Early in the game the side to move values attack or defence more, by the
// parity and size of the stone count.
void AdjustForPhase(int stoneCount, int64_t& own, int64_t& opp) {
  if (stoneCount % 2 == 0) {
    own += stoneCount < 9 ? own / 2 : own / 4;
  } else if (stoneCount < 8) {
    opp += opp / 4;
  } else if (stoneCount <= 19) {
    own += own / 7;
  } else {
    own += own / 4;
  }
}

}  // namespace

void EvaluateCell(Board& board, int x, int y, uint8_t side, int stoneCount, Random& random) {
  Cell& cell = board.at(x, y);
  if (cell.occupant != kEmpty) {
    cell.value = kOccupiedValue;
    return;
  }
  const bool sideIsPlayer = side == kPlayerX || side == kPlayerO;
  ClassCounts totals{};
  int freeRoom = 0;
  for (int d = 0; d < 4; ++d) {
    const LineBuffer line = ReadLine(board, x, y, kDirections[d]);
    ClassCounts counts{};
    const int runCount = CountDirection(line, side, sideIsPlayer, stoneCount, d, counts);
    for (int who = 0; who < 2; ++who)
      for (int k = 1; k <= 8; ++k) totals.count[who][k] += counts.count[who][k];
    if (runCount >= 3) ++freeRoom;
  }
  const SideResult own = ScoreSide(totals, 0, freeRoom, cell.ownDouble);
  const SideResult opp = ScoreSide(totals, 1, freeRoom, cell.oppDouble);
  int64_t ownScore = own.score;
  int64_t oppScore = opp.score;
  AdjustForPhase(stoneCount, ownScore, oppScore);
  cell.ownScore = ClampScore(ownScore);
  cell.oppScore = ClampScore(oppScore);
  cell.ownThreat = own.threat;
  cell.oppThreat = opp.threat;
  cell.ownDouble = own.doubleMark;
  cell.oppDouble = opp.doubleMark;
  cell.value = ClampScore(ownScore + oppScore + random.Below(2));
}

void EvaluateBoard(Board& board, uint8_t side, int stoneCount, Random& random) {
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) EvaluateCell(board, x, y, side, stoneCount, random);
}

}  // namespace pentad::classic
