#include "strong/vct.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>
#include <vector>

#include "strong/tactics.hpp"

namespace pentad::strong {
namespace {

// Budgets fix the answers on every machine.
constexpr VctLimits kLimits{.maxNodes = 100000, .maxThreats = 12};

// Solved within kLimits today, without and with the closed threes; raise
// them as the search gets stronger.
constexpr int kSolvedThrees = 6;
constexpr int kSolvedWithClosedThrees = 7;

// The line is played out on empty cells, turn by turn; unless it stops at
// a position already known to be won, the attacker's last move makes a
// five or two ways to five.
::testing::AssertionResult PlaysOut(SearchBoard board, const VctResult& result) {
  if (result.lineLength == 0 || result.line[0] != result.move) {
    return ::testing::AssertionFailure() << "line of " << result.lineLength;
  }
  const uint8_t attacker = board.SideToMove();
  for (int i = 0; i < result.lineLength; ++i) {
    const int cell = result.line[i];
    if (board.Stone(cell) != kEmpty) return ::testing::AssertionFailure() << "taken " << i;
    if (i + 1 == result.lineLength && i % 2 == 0 &&
        board.CellPatternAt(cell, attacker) < CellPattern::kDoubleFour) {
      return ::testing::AssertionFailure() << "no win at the end";
    }
    board.Make(cell);
  }
  return ::testing::AssertionSuccess();
}

TEST(VctTest, WinsPositionsLabelledAsWonByThreesWithAListedMove) {
  const auto tactics = test::LoadTactics("threes");
  ASSERT_EQ(tactics.size(), 20u);
  for (const auto& [closedThrees, expected] :
       {std::pair{false, kSolvedThrees}, {true, kSolvedWithClosedThrees}}) {
    VctLimits limits = kLimits;
    limits.closedThrees = closedThrees;
    const char* const pass = closedThrees ? " with closed threes" : "";
    int solved = 0;
    for (test::Tactic tactic : tactics) {
      VctSearch vct;
      const VctResult result = vct.Search(tactic.board, limits);
      if (result.outcome != VctOutcome::kWin) continue;
      ++solved;
      EXPECT_NE(std::find(tactic.winningMoves.begin(), tactic.winningMoves.end(), result.move),
                tactic.winningMoves.end())
          << tactic.name << pass;
      EXPECT_TRUE(PlaysOut(tactic.board, result)) << tactic.name << pass;
    }
    EXPECT_GE(solved, expected) << pass;
  }
}

// X to move makes a double three at (10,10). O's three far away turns into
// fours that come first: an open three's refute the double three; the four
// of a closed three is blocked, and O is then left without an answer.
enum class DefenderThree { kNone, kClosed, kOpen };

SearchBoard DoubleThree(DefenderThree three) {
  SearchBoard board;
  for (const auto& [x, y] : {std::pair{8, 10}, {9, 10}, {10, 8}, {10, 9}}) {
    board.Place(CellAt(x, y), kPlayerX);
  }
  for (const auto& [x, y] : {std::pair{3, 2}, {4, 2}, {15, 15}}) {
    board.Place(CellAt(x, y), kPlayerO);
  }
  if (three != DefenderThree::kNone) board.Place(CellAt(5, 2), kPlayerO);
  if (three == DefenderThree::kClosed) board.Place(CellAt(2, 2), kPlayerX);
  board.SetSideToMove(kPlayerX);
  return board;
}

TEST(VctTest, TheDefendersCounterFoursRefuteADoubleThreeOrLeadToTheFive) {
  struct Case {
    DefenderThree three;
    VctOutcome outcome;
  };
  for (const Case c : {Case{DefenderThree::kNone, VctOutcome::kWin},
                       Case{DefenderThree::kClosed, VctOutcome::kWin},
                       Case{DefenderThree::kOpen, VctOutcome::kNoWin}}) {
    SearchBoard board = DoubleThree(c.three);
    VctSearch vct;
    const VctResult result = vct.Search(board, kLimits);
    EXPECT_EQ(result.outcome, c.outcome) << static_cast<int>(c.three);
    if (c.outcome == VctOutcome::kWin) {
      EXPECT_TRUE(PlaysOut(board, result)) << static_cast<int>(c.three);
    }
  }
}

// A timed move's search gives up at its deadline or a stop, whatever nodes
// are left, and says it ran out rather than that there is no win.
TEST(VctTest, EndsAtTheDeadlineOrAStop) {
  const std::atomic<bool> stop{true};
  VctLimits stopped{.maxNodes = 10'000'000, .stop = &stop};
  VctLimits late{.maxNodes = 10'000'000, .deadline = std::chrono::steady_clock::now()};
  for (const VctLimits& limits : {stopped, late}) {
    for (test::Tactic tactic : test::LoadTactics("threes")) {
      VctSearch vct;
      const VctResult result = vct.Search(tactic.board, limits);
      EXPECT_NE(result.outcome, VctOutcome::kNoWin) << tactic.name;
      EXPECT_LT(result.nodes, 100000) << tactic.name;
    }
  }
}

}  // namespace
}  // namespace pentad::strong
