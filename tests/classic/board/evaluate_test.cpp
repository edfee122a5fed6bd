#include "classic/board/evaluate.hpp"

#include <gtest/gtest.h>

#include "classic/board/window_patterns.hpp"
#include "test_support.hpp"

namespace pentad::classic {
namespace {

using test::MakePosition;
using test::Stone;

constexpr uint8_t X = kPlayerX;
constexpr uint8_t O = kPlayerO;

// Scores and marks of one cell after evaluating it alone.
Cell EvaluateOne(Board board, int x, int y, uint8_t side, int stoneCount = -1) {
  Random random(7);
  EvaluateCell(board, x, y, side, stoneCount < 0 ? board.CountStones() : stoneCount, random);
  return board.at(x, y);
}

// A score of -1 is not checked.
struct CellCase {
  const char* name;
  std::vector<Stone> stones;
  int x, y;
  uint8_t side;
  int32_t ownScore, oppScore;
  uint8_t ownThreat, oppThreat, ownDouble;
};

Board FromStones(const std::vector<Stone>& stones) {
  Stones placed;
  for (const Stone& s : stones) placed.Place({s.x, s.y}, s.player);
  return BoardOf(placed);
}

const std::vector<Stone> kFarO = {{3, 3, O}, {15, 15, O}, {3, 15, O}, {15, 3, O}};

std::vector<Stone> With(std::vector<Stone> stones, const std::vector<Stone>& more) {
  stones.insert(stones.end(), more.begin(), more.end());
  return stones;
}

class CellScores : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellScores, MatchTheKnownFigures) {
  const CellCase& c = GetParam();
  const Cell cell = EvaluateOne(FromStones(c.stones), c.x, c.y, c.side);
  if (c.ownScore >= 0) {
    EXPECT_EQ(cell.ownScore, c.ownScore);
  }
  if (c.oppScore >= 0) {
    EXPECT_EQ(cell.oppScore, c.oppScore);
  }
  EXPECT_EQ(cell.ownThreat, c.ownThreat);
  EXPECT_EQ(cell.oppThreat, c.oppThreat);
  EXPECT_EQ(cell.ownDouble, c.ownDouble);
  EXPECT_TRUE(cell.value == cell.ownScore + cell.oppScore ||
              cell.value == cell.ownScore + cell.oppScore + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Evaluation, CellScores,
    ::testing::Values(
        CellCase{"EmptyCentre", {}, 9, 9, X, 60, 40, 0, 0, 0},
        CellCase{"EmptyCorner", {}, 0, 0, X, 0, 0, 0, 0, 0},
        CellCase{"EmptyEdge", {}, 0, 9, X, 15, 10, 0, 0, 0},
        CellCase{"RisingClassesKeepOneCount",
                 {{9, 9, X}, {9, 10, X}, {10, 10, O}},
                 9,
                 8,
                 X,
                 440,
                 50,
                 1,
                 0,
                 0},
        CellCase{"DoubleThreeMultipliesByEleven",
                 With({{8, 9, X}, {10, 9, X}, {9, 8, X}, {9, 10, X}}, kFarO), 9, 9, X, 15900, 40, 1,
                 0, 1},
        CellCase{"FourAndThreeMultipliesBySeven",
                 With({{6, 9, X}, {7, 9, X}, {8, 9, X}, {9, 7, X}, {9, 8, X}, {10, 9, O}}, kFarO),
                 9, 9, X, 7755, -1, 3, 0, 2},
        CellCase{"FiveForOwnSide", With({{5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}}, kFarO), 9, 9,
                 X, 150000181, 40, 5, 0, 0},
        CellCase{"FiveForOtherSide", With({{5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}}, kFarO), 9,
                 9, O, -1, 80000111, 0, 5, 0},
        CellCase{"SixStoneBrokenFourAlongRowCountsAsOpenFour",
                 {{7, 9, X}, {8, 9, X}, {10, 9, X}, {11, 9, O}, {2, 17, O}, {17, 2, O}},
                 9,
                 9,
                 X,
                 1500648,
                 -1,
                 4,
                 0,
                 0},
        CellCase{
            "SevenStonesNoBonus",
            {{7, 9, X}, {8, 9, X}, {10, 9, X}, {11, 9, O}, {2, 17, O}, {17, 2, O}, {17, 17, X}},
            9,
            9,
            X,
            432,
            -1,
            3,
            0,
            0},
        CellCase{"SixStoneBonusNotDownTheColumns",
                 {{9, 7, X}, {9, 8, X}, {9, 10, X}, {9, 11, O}, {2, 17, O}, {17, 2, O}},
                 9,
                 9,
                 X,
                 648,
                 -1,
                 3,
                 0,
                 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Evaluation, OccupiedCellOnlyGetsTheOccupiedValue) {
  Board board = FromStones({{9, 9, X}});
  Cell& cell = board.at(9, 9);
  cell.ownScore = 123;
  cell.ownThreat = 4;
  Random random(1);
  EvaluateCell(board, 9, 9, X, 1, random);
  EXPECT_EQ(cell.value, kOccupiedValue);
  EXPECT_EQ(cell.ownScore, 123);
  EXPECT_EQ(cell.ownThreat, 4);
}

TEST(Evaluation, NeitherSideCountsEveryWindowAsOwn) {
  const Board board = FromStones(With({{5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}}, kFarO));
  const Cell cell = EvaluateOne(board, 9, 9, 0);
  // Only the free-room term (40, plus half for n = 8) is left for the other side.
  EXPECT_EQ(cell.oppScore, 40);
  EXPECT_EQ(cell.oppThreat, 0);
  EXPECT_EQ(cell.ownThreat, 5);
}

TEST(Evaluation, DoubleMarksAreRaisedNeverLowered) {
  Board board = FromStones(With({{8, 9, X}, {10, 9, X}, {9, 8, X}, {9, 10, X}}, kFarO));
  board.at(9, 9).oppDouble = 2;
  const Cell cell = EvaluateOne(board, 9, 9, X);
  EXPECT_EQ(cell.ownDouble, 1);
  EXPECT_EQ(cell.oppDouble, 2);
}

TEST(Evaluation, TwoFivesSaturateAndRankFirst) {
  // Fives along the row and the column, open threes on both diagonals: the
  // score leaves the 32-bit range and must saturate, not wrap.
  Board board = FromStones({{5, 9, X},
                            {6, 9, X},
                            {7, 9, X},
                            {8, 9, X},
                            {9, 5, X},
                            {9, 6, X},
                            {9, 7, X},
                            {9, 8, X},
                            {10, 10, X},
                            {11, 11, X},
                            {8, 10, X},
                            {7, 11, X}});
  Random random(3);
  EvaluateBoard(board, X, board.CountStones(), random);
  EXPECT_EQ(board.at(9, 9).ownScore, INT32_MAX);
  EXPECT_EQ(board.at(9, 9).value, INT32_MAX);
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (x != 9 || y != 9) {
        EXPECT_LT(board.at(x, y).value, INT32_MAX) << x << "," << y;
      }
}

TEST(Evaluation, EdgeCellsSeeNoWrappedNeighbours) {
  // A stone at the far end of the previous column must not count for a cell
  // on the edge of the next one.
  const Cell lone = EvaluateOne(FromStones({}), 0, 5, X, 1);
  const Cell withFar = EvaluateOne(FromStones({{19, 4, X}}), 0, 5, X, 1);
  EXPECT_EQ(lone.ownScore, withFar.ownScore);
  EXPECT_EQ(lone.oppScore, withFar.oppScore);
}

TEST(Evaluation, BoardDrawsOneBitPerEmptyCellInColumnOrder) {
  Board board = FromStones({{9, 9, X}, {10, 10, O}, {3, 4, X}});
  Random random(42);
  EvaluateBoard(board, O, board.CountStones(), random);
  Random replay(42);
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const Cell& cell = board.at(x, y);
      if (cell.occupant != kEmpty) {
        EXPECT_EQ(cell.value, kOccupiedValue);
        continue;
      }
      EXPECT_EQ(cell.value, cell.ownScore + cell.oppScore + static_cast<int>(replay.Below(2)));
    }
}

TEST(PatternTables, MirroredWindowsAgree) {
  for (int mask = 0; mask < 32; ++mask)
    for (int openness = 0; openness < 4; ++openness) {
      int mirrored = 0;
      for (int i = 0; i < 5; ++i)
        if (mask & (1 << i)) mirrored |= 1 << (4 - i);
      const int swapped = ((openness & 1) << 1) | ((openness >> 1) & 1);
      const PatternEntry& a = kPatterns[mask][openness];
      const PatternEntry& b = kPatterns[mirrored][swapped];
      EXPECT_EQ(a.patternClass, b.patternClass) << mask << "/" << openness;
      EXPECT_EQ(a.level, b.level) << mask << "/" << openness;
      if (mask == 31) continue;  // a five names its middle stone either way
      for (int j = 0; j < 3; ++j) {
        const int32_t key = a.keySquares[j];
        if (key == kNoKeySquare) continue;
        bool present = false;
        for (int32_t k : b.keySquares) present |= k == 6 - key;
        EXPECT_TRUE(present) << mask << "/" << openness << " key " << key;
      }
      const int stones = __builtin_popcount(mask);
      if (stones < 2) {
        EXPECT_EQ(a.patternClass, 0);
      }
      if (stones < 3) {
        EXPECT_EQ(a.level, 0);
      }
      EXPECT_NE(a.patternClass, 5);
    }
}

}  // namespace
}  // namespace pentad::classic
