#include "strong/vcf.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <vector>

#include "strong/tactics.hpp"

namespace pentad::strong {
namespace {

// Budgets fix the answers on every machine; each is a few times what the
// search needs today.
using C = CellPattern;

constexpr VcfLimits kLimits{.maxNodes = 200000, .maxFours = 40};

struct Stone {
  int x;
  int y;
  uint8_t player;
};

SearchBoard BoardOf(const std::vector<Stone>& stones, uint8_t sideToMove) {
  SearchBoard board;
  for (const Stone& s : stones) board.Place(CellAt(s.x, s.y), s.player);
  board.SetSideToMove(sideToMove);
  return board;
}

// Every attacker move of the line makes a four, every defender move blocks
// the only five, and the last move leaves two fives or is one; the plies
// count the block and the five after two fives.
::testing::AssertionResult IsWinByFours(SearchBoard board, const VcfResult& result) {
  const uint8_t attacker = board.SideToMove();
  const uint8_t defender = kOpponent[attacker];
  bool endsWithFive = false;
  for (int i = 0; i < result.lineLength; ++i) {
    const int cell = result.line[i];
    const bool attacking = board.SideToMove() == attacker;
    const bool last = i + 1 == result.lineLength;
    if (board.Stone(cell) != kEmpty) return ::testing::AssertionFailure() << "occupied " << i;
    if (attacking && board.CellPatternAt(cell, attacker) < (last ? C::kDoubleFour : C::kFour))
      return ::testing::AssertionFailure() << "not a four at " << i;
    if (!attacking && board.CellPatternAt(cell, attacker) != C::kFive)
      return ::testing::AssertionFailure() << "not the block at " << i;
    if (attacking && board.Count(defender, C::kFive) > 0 &&
        board.CellPatternAt(cell, defender) != C::kFive)
      return ::testing::AssertionFailure() << "a four of the defender left open at " << i;
    endsWithFive = board.CellPatternAt(cell, attacker) == C::kFive;
    board.Make(cell);
  }
  if (result.plies != result.lineLength + (endsWithFive ? 0 : 2))
    return ::testing::AssertionFailure() << "plies " << result.plies;
  return ::testing::AssertionSuccess();
}

// Also with only related fours after the first: these wins build on their
// own stones, as nearly all do.
TEST(VcfTest, WinsEveryPositionLabelledAsWonByFours) {
  const auto tactics = test::LoadTactics("fours");
  ASSERT_EQ(tactics.size(), 13u);
  for (const bool related : {false, true}) {
    VcfLimits limits = kLimits;
    limits.relatedFours = related;
    for (test::Tactic tactic : tactics) {
      VcfSearch vcf;  // no help from the positions before
      const VcfResult result = vcf.Search(tactic.board, limits);
      ASSERT_EQ(result.outcome, VcfOutcome::kWin) << tactic.name << " related " << related;
      EXPECT_NE(std::find(tactic.winningMoves.begin(), tactic.winningMoves.end(), result.move),
                tactic.winningMoves.end())
          << tactic.name;
      EXPECT_TRUE(IsWinByFours(tactic.board, result)) << tactic.name;
    }
  }
}

// X to move has a four-three at (10,10); O's answer at (11,10) is the only
// block. With O's stone at (11,13) that block also makes a four of O's.
std::vector<Stone> FourThree(bool blockMakesAFour) {
  constexpr uint8_t X = kPlayerX;
  constexpr uint8_t O = kPlayerO;
  std::vector<Stone> stones = {{7, 10, X},  {8, 10, X}, {9, 10, X},  {10, 8, X}, {10, 9, X},
                               {11, 14, X}, {6, 10, O}, {11, 11, O}, {11, 12, O}};
  if (blockMakesAFour) stones.push_back({11, 13, O});
  return stones;
}

struct QuietCase {
  const char* name;
  SearchBoard board;
};

TEST(VcfTest, FindsNoWinWhereFoursRunOutOrAreAnswered) {
  constexpr uint8_t X = kPlayerX;
  constexpr uint8_t O = kPlayerO;
  const QuietCase cases[] = {
      {"opening", BoardOf({{9, 9, X}, {10, 10, O}, {10, 9, X}, {8, 9, O}, {9, 10, X}}, O)},
      // X cannot meet the four O's block makes with a four of its own.
      {"counter-four", BoardOf(FourThree(true), X)},
  };
  VcfSearch vcf;
  for (QuietCase c : cases) {
    EXPECT_EQ(vcf.Search(c.board, kLimits).outcome, VcfOutcome::kNoWin) << c.name;
  }
}

TEST(VcfTest, TheFourThreeWinsWhenTheBlockMakesNoFour) {
  SearchBoard board = BoardOf(FourThree(false), kPlayerX);
  VcfSearch vcf;
  const VcfResult result = vcf.Search(board, kLimits);
  ASSERT_EQ(result.outcome, VcfOutcome::kWin);
  EXPECT_EQ(result.move, CellAt(10, 10));
  EXPECT_TRUE(IsWinByFours(board, result));
}

// A five to play is a line of its own: one ply, no block to count.
TEST(VcfTest, AFiveToPlayWinsInOnePly) {
  constexpr uint8_t X = kPlayerX;
  SearchBoard board = BoardOf({{5, 5, X}, {6, 5, X}, {7, 5, X}, {8, 5, X}}, X);
  VcfSearch vcf;
  const VcfResult result = vcf.Search(board, kLimits);
  ASSERT_EQ(result.outcome, VcfOutcome::kWin);
  EXPECT_EQ(result.move, CellAt(4, 5));
  EXPECT_TRUE(IsWinByFours(board, result));
}

// X's fours on the top row are tried first and lead nowhere; below them
// the only fours are far away, so a related search fails there. Its win
// starts at (9, 10): an anti-diagonal four, then a four-three at (10, 10).
// A search that starts below the top-row four must still find that win.
TEST(VcfTest, ARelatedFailureBelowTheRootDoesNotHideAWinFromThere) {
  constexpr uint8_t X = kPlayerX;
  constexpr uint8_t O = kPlayerO;
  SearchBoard board = BoardOf({{0, 0, X},
                               {1, 0, X},
                               {2, 0, X},
                               {12, 7, X},
                               {11, 8, X},
                               {10, 9, X},
                               {10, 8, X},
                               {7, 10, X},
                               {8, 10, X},
                               {13, 6, O},
                               {6, 10, O}},
                              X);
  VcfLimits limits = kLimits;
  limits.relatedFours = true;
  VcfSearch vcf;
  const VcfResult first = vcf.Search(board, limits);
  ASSERT_EQ(first.outcome, VcfOutcome::kWin);
  EXPECT_EQ(first.move, CellAt(9, 10));
  board.Make(CellAt(3, 0));
  board.Make(CellAt(4, 0));
  limits.maxFours = 10;  // fewer than the failure below the root had left
  const VcfResult below = vcf.Search(board, limits);
  EXPECT_EQ(below.outcome, VcfOutcome::kWin);
  EXPECT_TRUE(IsWinByFours(board, below));
}

// A root search gives up at the move's deadline or a stop, whatever nodes
// are left, and says it ran out rather than that there is no win; the
// same search without them wins.
TEST(VcfTest, EndsAtTheDeadlineOrAStop) {
  const std::atomic<bool> stop{true};
  VcfLimits stopped = kLimits;
  stopped.stop = &stop;
  VcfLimits late = kLimits;
  late.deadline = std::chrono::steady_clock::now();
  for (test::Tactic tactic : test::LoadTactics("fours")) {
    for (const VcfLimits& limits : {stopped, late}) {
      VcfSearch vcf;
      const VcfResult result = vcf.Search(tactic.board, limits);
      EXPECT_EQ(result.outcome, VcfOutcome::kOutOfNodes) << tactic.name;
      EXPECT_EQ(result.move, kNoCell) << tactic.name;
    }
  }
}

}  // namespace
}  // namespace pentad::strong
