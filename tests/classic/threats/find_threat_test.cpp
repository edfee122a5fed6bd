#include "classic/threats/find_threat.hpp"

#include <gtest/gtest.h>

#include <set>

#include "test_support.hpp"

namespace pentad::classic {
namespace {

constexpr uint8_t X = kPlayerX;
constexpr uint8_t O = kPlayerO;

struct Scan {
  bool found;
  ThreatRecord record;
};

Scan ScanSquare(std::initializer_list<test::Stone> stones, int x, int y, uint8_t player = X) {
  const ThreatBoard board(BoardOf(test::MakePosition(stones).stones));
  Scan scan{false, {}};
  scan.record.x = x;
  scan.record.y = y;
  scan.found = FindThreat(board, scan.record, player);
  return scan;
}

std::vector<std::pair<int, int>> Keys(const ThreatRecord& r) {
  std::vector<std::pair<int, int>> keys;
  for (int k = 0; k < r.keyCount; ++k) keys.push_back({r.keySquares[k].x, r.keySquares[k].y});
  return keys;
}

using Keys_ = std::vector<std::pair<int, int>>;

struct ThreatCase {
  const char* name;
  std::vector<test::Stone> stones;
  int x, y;
  bool found;
  uint8_t level;
  uint8_t win;
  Keys_ keys;
};

class Scanner : public ::testing::TestWithParam<ThreatCase> {};

TEST_P(Scanner, FindsTheStrongestThreat) {
  const ThreatCase& c = GetParam();
  Stones stones;
  for (const auto& s : c.stones) stones.Place({s.x, s.y}, s.player);
  const ThreatBoard board(BoardOf(stones));
  ThreatRecord record;
  record.x = c.x;
  record.y = c.y;
  ASSERT_EQ(FindThreat(board, record, X), c.found);
  if (!c.found) return;
  EXPECT_EQ(record.level, c.level);
  EXPECT_EQ(record.win, c.win);
  EXPECT_EQ(Keys(record), c.keys);
  EXPECT_EQ(board.at(c.x, c.y), kEmpty);
}

INSTANTIATE_TEST_SUITE_P(
    Threats, Scanner,
    ::testing::Values(
        ThreatCase{"TwoStonesAreNoThreat", {{8, 9, X}}, 9, 9, false, 0, 0, {}},
        ThreatCase{"ClosedThreeIsNoThreat",
                   {{7, 9, O}, {8, 9, X}, {10, 9, X}, {12, 9, O}},
                   9,
                   9,
                   false,
                   0,
                   0,
                   {}},
        ThreatCase{"OpenThreeIsFreeThree",
                   {{8, 9, X}, {10, 9, X}},
                   9,
                   9,
                   true,
                   kThreatFreeThree,
                   0,
                   {{7, 9}, {11, 9}}},
        ThreatCase{"FourBeatsFreeThree",
                   {{8, 9, X}, {10, 9, X}, {9, 6, X}, {9, 7, X}, {9, 8, X}, {9, 5, O}},
                   9,
                   9,
                   true,
                   kThreatFour,
                   0,
                   {{9, 10}}},
        ThreatCase{"EqualWeightsKeepTheFirstDirection",
                   // A THREE along the row (closed at its far end) comes before a
                   // FREE THREE down the column.
                   {{10, 9, X}, {11, 9, X}, {13, 9, O}, {9, 10, X}, {9, 11, X}},
                   9,
                   9,
                   true,
                   kThreatThree,
                   0,
                   {{7, 9}, {8, 9}, {12, 9}}},
        ThreatCase{"OverlineIsFive",
                   {{4, 9, X}, {5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}, {10, 9, X}},
                   9,
                   9,
                   true,
                   kThreatFive,
                   1,
                   {{8, 9}}},
        ThreatCase{
            "OpenFourWins", {{6, 9, X}, {7, 9, X}, {8, 9, X}}, 9, 9, true, kThreatFreeFour, 1, {}},
        ThreatCase{"FourAgainstAStoneHasOneKey",
                   {{5, 9, O}, {6, 9, X}, {7, 9, X}, {8, 9, X}},
                   9,
                   9,
                   true,
                   kThreatFour,
                   0,
                   {{10, 9}}},
        ThreatCase{"FourAgainstTheEdgeHasOneKey",
                   {{0, 9, X}, {1, 9, X}, {2, 9, X}},
                   3,
                   9,
                   true,
                   kThreatFour,
                   0,
                   {{4, 9}}},
        ThreatCase{"BrokenFourClosedBothEndsIsFour",
                   {{6, 9, O}, {7, 9, X}, {8, 9, X}, {10, 9, X}, {12, 9, O}},
                   11,
                   9,
                   true,
                   kThreatFour,
                   0,
                   {{9, 9}}},
        ThreatCase{"TooLittleRoomBetweenBlockers",
                   {{5, 9, O}, {6, 9, X}, {7, 9, X}, {8, 9, X}, {10, 9, O}},
                   9,
                   9,
                   false,
                   0,
                   0,
                   {}},
        ThreatCase{"EdgeBlocksLikeAStone",
                   {{16, 9, X}, {17, 9, X}},
                   18,
                   9,
                   true,
                   kThreatThree,
                   0,
                   {{14, 9}, {15, 9}, {19, 9}}},
        ThreatCase{"OtherDiagonalRunsTowardsLowX",
                   {{18, 1, X}, {17, 2, X}, {16, 3, X}},
                   15,
                   4,
                   true,
                   kThreatFreeFour,
                   1,
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Threats, OccupiedOrOffBoardSquareLeavesTheRecordUntouched) {
  for (auto [x, y] : {std::pair{9, 9}, std::pair{-1, 3}, std::pair{20, 0}, std::pair{4, 20}}) {
    Scan scan = ScanSquare({{9, 9, O}, {8, 9, X}, {10, 9, X}}, x, y);
    EXPECT_FALSE(scan.found);
    EXPECT_EQ(scan.record.level, 0);
    EXPECT_EQ(scan.record.keyCount, 0);
    EXPECT_EQ(scan.record.win, 0);
  }
}

TEST(Threats, OpponentSeesTheSameShapeFromItsSide) {
  const Scan scan = ScanSquare({{6, 9, O}, {7, 9, O}, {8, 9, O}}, 9, 9, O);
  ASSERT_TRUE(scan.found);
  EXPECT_EQ(scan.record.level, kThreatFreeFour);
  EXPECT_FALSE(ScanSquare({{6, 9, O}, {7, 9, O}, {8, 9, O}}, 9, 9, X).found);
}

TEST(Threats, KeySquaresLieOnTheBoardAndAreEmpty) {
  // Every threat on a crowded random board names only empty on-board keys,
  // except the five, whose key is one of its own stones.
  std::mt19937 rng(11);
  for (int trial = 0; trial < 20; ++trial) {
    Board stones{};
    for (int i = 0; i < 120; ++i)
      stones.at(rng() % 20, rng() % 20).occupant = static_cast<uint8_t>(1 + rng() % 2);
    const ThreatBoard board(stones);
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y)
        for (uint8_t player : {X, O}) {
          ThreatRecord record;
          record.x = x;
          record.y = y;
          if (!FindThreat(board, record, player) || record.level == kThreatFive) continue;
          for (const auto& [kx, ky] : Keys(record)) {
            ASSERT_TRUE(OnBoard(kx, ky));
            EXPECT_EQ(board.at(kx, ky), kEmpty);
          }
        }
  }
}

}  // namespace
}  // namespace pentad::classic
