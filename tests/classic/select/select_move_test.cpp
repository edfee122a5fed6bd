#include "classic/select/select_move.hpp"

#include <gtest/gtest.h>

#include <set>

#include "test_support.hpp"

namespace pentad::classic {
namespace {

constexpr uint8_t X = kPlayerX;
constexpr uint8_t O = kPlayerO;

Decision DecideWith(const Position& position, uint32_t seed = 1, int64_t checks = 2000) {
  DecisionSettings settings;
  settings.seed = seed;
  settings.checks = checks;
  return Decide(position, settings);
}

std::pair<int, int> MoveOf(const Decision& d) {
  return {d.x, d.y};
}

TEST(SelectMove, OneStoneRunsTheSelection) {
  const Decision d = DecideWith(test::MakePosition({{9, 9, X}}, O));
  EXPECT_NE(d.trace.stage, "first-move");
  EXPECT_EQ(d.trace.candidates.size(), 20u);
  EXPECT_EQ(d.trace.candidates.front().x, d.x);
}

TEST(SelectMove, OwnFourIsCompletedAtOnce) {
  const Decision d = DecideWith(test::MakePosition(
      {{5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}, {5, 5, O}, {6, 5, O}, {7, 5, O}, {12, 12, O}},
      X));
  EXPECT_EQ(d.trace.stage, "immediate");
  EXPECT_EQ(d.timeChecks, 0);
  EXPECT_TRUE(MoveOf(d) == std::pair(4, 9) || MoveOf(d) == std::pair(9, 9));
}

TEST(SelectMove, OpponentsOpenFourIsBlocked) {
  // o to move cannot win at once; x's open three already became an open
  // four, so o blocks one end.
  const Decision d = DecideWith(test::MakePosition(
      {{5, 9, X}, {6, 9, X}, {7, 9, X}, {8, 9, X}, {5, 5, O}, {6, 5, O}, {12, 12, O}}, O));
  EXPECT_EQ(d.trace.stage, "immediate");
  EXPECT_TRUE(MoveOf(d) == std::pair(4, 9) || MoveOf(d) == std::pair(9, 9));
}

TEST(SelectMove, FindsAForcedWinByFours) {
  // (9, 9) makes a row four; its answer at (10, 9) leaves the column three
  // to become an open four.
  const Position position = test::MakePosition({{5, 9, O},
                                                {6, 9, X},
                                                {7, 9, X},
                                                {8, 9, X},
                                                {9, 10, X},
                                                {9, 11, X},
                                                {3, 3, O},
                                                {16, 16, O},
                                                {3, 16, O},
                                                {16, 3, O},
                                                {0, 19, O}},
                                               X);
  const Decision d = DecideWith(position, 1, 5000);
  EXPECT_EQ(d.trace.stage, "search");
  ASSERT_FALSE(d.trace.line.empty());
  EXPECT_EQ(d.trace.line.front(), (std::array<int, 2>{d.x, d.y}));
}

TEST(SelectMove, QuietPositionGoesToTheDefensivePass) {
  const Decision d = DecideWith(test::MakePosition({{9, 9, X}, {10, 10, O}, {10, 9, X}}, O));
  EXPECT_EQ(d.trace.stage, "defence");
  EXPECT_TRUE(d.trace.line.empty());
  EXPECT_GT(d.timeChecks, 0);
}

TEST(SelectMove, StopsTheForcedLossWhenOneCandidateAvoidsIt) {
  // x threatens the four-three at (9, 9); o must take a square that breaks it.
  const Position position = test::MakePosition({{5, 9, O},
                                                {6, 9, X},
                                                {7, 9, X},
                                                {8, 9, X},
                                                {9, 10, X},
                                                {9, 11, X},
                                                {3, 3, O},
                                                {16, 16, O},
                                                {3, 16, O},
                                                {16, 3, O}},
                                               O);
  const Decision d = DecideWith(position, 4, 20000);
  // Only these squares break the four-three: the crossing square, the
  // four's completion and the column three's ends.
  const std::set<std::pair<int, int>> breaking = {{9, 9}, {10, 9}, {9, 8}, {9, 12}};
  EXPECT_TRUE(breaking.count(MoveOf(d))) << d.x << "," << d.y;
  EXPECT_EQ(d.trace.stage, "defence");
}

TEST(SelectMove, SameSeedAndBudgetGiveTheSameDecision) {
  const Position position = test::MakePosition(
      {{9, 9, X}, {10, 10, O}, {10, 9, X}, {8, 10, O}, {11, 8, X}, {12, 7, O}, {7, 11, X}}, O);
  for (int64_t checks : {0, 1, 50, 3000}) {
    const Decision a = DecideWith(position, 17, checks);
    const Decision b = DecideWith(position, 17, checks);
    EXPECT_EQ(MoveOf(a), MoveOf(b));
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.timeChecks, b.timeChecks);
    EXPECT_LE(a.timeChecks, checks + 1);
  }
}

TEST(SelectMove, NoCheckLeftStillAnswersAMove) {
  const Position position =
      test::MakePosition({{9, 9, X}, {10, 10, O}, {10, 9, X}, {8, 10, O}, {11, 8, X}}, O);
  const Decision d = DecideWith(position, 1, 0);
  EXPECT_TRUE(OnBoard(d.x, d.y));
  EXPECT_EQ(position.stones.At(d.x, d.y), kEmpty);
  EXPECT_EQ(d.timeChecks, 1);
}

TEST(SelectMove, ClockBudgetEndsABusyDecisionInTime) {
  // A quiet midgame whose searches would run far beyond the budget
  // without the clock.
  const Position position = test::PositionFromRows(
      {"--------------------", "--------------------", "--------------------",
       "--------------------", "--------------------", "--------------------",
       "--------------------", "--------------------", "---------x----------",
       "--------oox---------", "--------ox-x--------", "------------o-------",
       "---------x-o-x------", "------------ox------", "-----------ox-------",
       "--------------------", "--------------------", "--------------------",
       "--------------------", "--------------------"},
      O);
  DecisionSettings settings;
  settings.seed = 5;
  const auto start = TimeBudget::Clock::now();
  settings.start = start;
  const Decision d = Decide(position, settings);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(TimeBudget::Clock::now() - start);
  EXPECT_LT(elapsed.count(), 4600 + test::kSlowBuildAllowanceMs);
  EXPECT_TRUE(OnBoard(d.x, d.y));
}

TEST(SelectMove, DepthProgressIsReportedAfterEveryPass) {
  std::vector<int> depths;
  DecisionSettings settings;
  settings.seed = 2;
  settings.checks = 3000;
  settings.onDepth = [&](int depth, int64_t, int64_t) { depths.push_back(depth); };
  const Decision d =
      Decide(test::MakePosition({{9, 9, X}, {10, 10, O}, {10, 9, X}, {8, 10, O}}, X), settings);
  const std::vector<int> schedule = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12};
  ASSERT_FALSE(depths.empty());
  ASSERT_LE(depths.size(), schedule.size());
  for (size_t i = 0; i < depths.size(); ++i) EXPECT_EQ(depths[i], schedule[i]);
  (void)d;
}

}  // namespace
}  // namespace pentad::classic
