#include "strong/strong_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <vector>

#include "strong/engine_support.hpp"
#include "strong/move_generation.hpp"
#include "strong/tactics.hpp"

namespace pentad::strong {
namespace {

using test::NodeLimits;
using test::Position;

// Node budgets fix every answer on every machine; each is a few times what
// the search needs today.
constexpr int64_t kTacticNodes = 200000;
constexpr int64_t kSmallNodes = 20000;

// A position and the moves expected of the side to move.
struct MoveCase {
  const char* name;
  SearchBoard board;
  std::set<int> moves;
};

TEST(StrongEngineTest, PlaysTheForcedMove) {
  const MoveCase cases[] = {
      {"own five before blocking",
       Position(9, {"..xxxx....", "..oooo...."}, kPlayerX),
       {CellAt(1, 9), CellAt(6, 9)}},
      {"block of a four", Position(9, {".xoooo....", "...x.x...."}, kPlayerX), {CellAt(6, 9)}},
      {"a stop of an open three",
       Position(9, {"...ooo....", "...x.x...."}, kPlayerX),
       {CellAt(2, 9), CellAt(6, 9)}},
  };
  StrongEngine engine(size_t{1} << 20);
  for (const MoveCase& c : cases) {
    const SearchOutcome outcome = engine.Think(c.board, NodeLimits(kSmallNodes));
    EXPECT_TRUE(c.moves.contains(outcome.move)) << c.name;
  }
}

// Only moves after which the opponent has no way left to two fives are
// kept, with the side to move's own fours that land in the threat's line.
TEST(StrongEngineTest, AnswersAThreatOnlyWithMovesThatStopItOrFoursInItsLine) {
  const MoveCase cases[] = {
      // The far ends leave an open four on the other side.
      {"three with room",
       Position(10, {".......ooo........"}, kPlayerX),
       {CellAt(6, 10), CellAt(10, 10)}},
      {"split three",
       Position(10, {".......o.oo......."}, kPlayerX),
       {CellAt(6, 10), CellAt(8, 10), CellAt(11, 10)}},
      {"own four away from the threat",
       Position(10, {".......ooo........", "oxxx.............."}, kPlayerX),
       {CellAt(6, 10), CellAt(10, 10)}},
      {"own four in the three's line",
       Position(5,
                {"............o", "............x", "............x", "............x", "",
                 ".......ooo........"},
                kPlayerX),
       {CellAt(6, 10), CellAt(10, 10), CellAt(12, 10)}},
  };
  for (MoveCase c : cases) {
    MoveList moves;
    ASSERT_EQ(GenerateMoves(c.board, moves), Situation::kDefend) << c.name;
    std::set<int> generated;
    for (int i = 0; i < moves.Size(); ++i) generated.insert(moves[i].cell);
    EXPECT_EQ(generated, c.moves) << c.name;
  }
}

// A four away from the opponent's three is searched too: its stone and the
// block it forces can change the game. After X's split three here, O's four
// at 5,9 starts O's own win; with such fours left out, O was scored lost.
TEST(StrongEngineTest, KeepsTheFoursAwayFromAThreatThatMayHold) {
  test::Tactic tactic = test::LoadTactic(test::kTacticsDir, "0045");
  tactic.board.Make(CellAt(6, 15));
  StrongEngine engine(size_t{8} << 20);
  const SearchOutcome outcome = engine.Think(tactic.board, NodeLimits(kTacticNodes));
  EXPECT_EQ(outcome.move, CellAt(5, 9));
  EXPECT_GE(PliesToResult(outcome.score).value_or(0), 0);
}

// A proven win holds against every defence. A four-three's four is
// blocked first, and a block that is a four of the defender's wins it the
// move that stops the three; a four away from a threat, left out near the
// horizon, may hold too. Each position, from a game, was scored won for the
// side to move at its budget.
TEST(StrongEngineTest, ClaimsNoWinThatALeftOutDefenceRefutes) {
  struct ClaimCase {
    const char* name;
    SearchBoard board;
    int64_t nodes;
  };
  const ClaimCase cases[] = {
      {"X's 10,9 makes a three and a four-three; O's 11,8 stops the three and makes the "
       "four's block at 12,8 a four of O's",
       Position(
           8,
           {"........oo", ".........x", "........oxx", ".........xo", ".......xxxo", ".......o.o"},
           kPlayerX),
       kTacticNodes},
      {"O's attack from 10,7 ends in a four-three at 6,10; X's 9,11 makes its block at 5,11 a "
       "four of X's",
       Position(6,
                {"........x.x", "........oo", "........ox", ".......oo.x", ".......o.xx",
                 ".......xx", ".......o"},
                kPlayerO),
       kTacticNodes},
      {"O's four at 8,8 leads to a double three that X's four at 11,9 answers",
       Position(6,
                {".........xo", ".........o", ".........o.x", ".......oxoo", "......xxoo.x",
                 ".......xox", ".......x...x", ".......x"},
                kPlayerO),
       kTacticNodes / 2},
  };
  for (const ClaimCase& c : cases) {
    StrongEngine engine(size_t{8} << 20);
    const SearchOutcome outcome = engine.Think(c.board, NodeLimits(c.nodes));
    EXPECT_LE(PliesToResult(outcome.score).value_or(0), 0) << c.name;
  }
}

// The positions won by fours need the root's search of fours only; those
// won by threes, a line of threats through the main search.
TEST(StrongEngineTest, FindsTheLabelledWins) {
  std::vector<test::Tactic> tactics = test::LoadTactics("fours");
  for (test::Tactic& tactic : test::LoadTactics("threes")) {
    if (tactic.name == "0017" || tactic.name == "0038") tactics.push_back(tactic);
  }
  StrongEngine engine(size_t{8} << 20);
  for (const test::Tactic& tactic : tactics) {
    const SearchOutcome outcome = engine.Think(tactic.board, NodeLimits(kTacticNodes));
    EXPECT_TRUE(std::ranges::find(tactic.winningMoves, outcome.move) != tactic.winningMoves.end())
        << tactic.name;
    EXPECT_GT(PliesToResult(outcome.score).value_or(0), 0) << tactic.name;
    ASSERT_FALSE(outcome.pv.empty());
    EXPECT_EQ(outcome.pv.front(), outcome.move) << tactic.name;
  }
}

TEST(StrongEngineTest, NodeBudgetGivesTheSameSearchWhateverCameBefore) {
  const test::Tactic tactic = test::LoadTactics("").front();
  StrongEngine engine(size_t{8} << 20);
  std::vector<int> depths;
  const SearchOutcome first =
      engine.Think(tactic.board, NodeLimits(kSmallNodes),
                   [&depths](const IterationReport& report) { depths.push_back(report.depth); });
  engine.Think(test::LoadTactics("threes").front().board, NodeLimits(kSmallNodes));
  const SearchOutcome again = engine.Think(tactic.board, NodeLimits(kSmallNodes));
  EXPECT_EQ(again.move, first.move);
  EXPECT_EQ(again.score, first.score);
  EXPECT_EQ(again.nodes, first.nodes);
  EXPECT_EQ(again.pv, first.pv);
  ASSERT_FALSE(depths.empty());
  EXPECT_EQ(depths.back(), first.depth);
  EXPECT_TRUE(std::ranges::is_sorted(depths));
}

// The root moves of the lines, checked to be distinct and in score order.
std::vector<int> LineMoves(const std::vector<RootLine>& lines) {
  std::vector<int> moves;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].pv.empty() ? kNoCell : lines[i].pv.front(), lines[i].move);
    if (i > 0) {
      EXPECT_GE(lines[i - 1].score, lines[i].score);
    }
    moves.push_back(lines[i].move);
  }
  EXPECT_EQ(std::set<int>(moves.begin(), moves.end()).size(), moves.size());
  return moves;
}

// An open game: many moves worth a line.
TEST(StrongEngineTest, AnalysisGivesTheBestLinesWithoutTheExcludedMoves) {
  const SearchBoard board =
      Position(8, {"..........", ".........x", "........ox", "........."}, kPlayerO);
  StrongEngine engine(size_t{8} << 20);
  SearchLimits limits = NodeLimits(kSmallNodes);
  limits.multiPv = 3;
  std::vector<int> bestMoves;
  limits.onBestMove = [&bestMoves](int cell) { bestMoves.push_back(cell); };
  int reports = 0;
  const SearchOutcome outcome = engine.Think(board, limits, [&](const IterationReport& report) {
    ++reports;
    EXPECT_EQ(LineMoves(report.lines).size(), 3u) << "depth " << report.depth;
    EXPECT_EQ(report.lines.front().pv, report.pv);
    EXPECT_GE(report.selDepth, report.depth);
  });
  EXPECT_GT(reports, 1);
  const std::vector<int> moves = LineMoves(outcome.lines);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves.front(), outcome.move);
  ASSERT_FALSE(bestMoves.empty());
  EXPECT_EQ(bestMoves.back(), outcome.move) << "the last best move told is the one played";
  EXPECT_EQ(std::ranges::adjacent_find(bestMoves), bestMoves.end()) << "told only as it changes";

  limits.excluded = {moves[0], moves[1]};
  const SearchOutcome without = engine.Think(board, limits);
  for (const int move : LineMoves(without.lines)) {
    EXPECT_NE(move, moves[0]);
    EXPECT_NE(move, moves[1]);
  }
  EXPECT_EQ(without.lines.size(), 3u);
}

TEST(StrongEngineTest, StoppedAtOnceStillPlaysALegalMove) {
  const std::atomic<bool> stop{true};
  StrongEngine engine(size_t{1} << 20);
  for (const SearchBoard& board :
       {SearchBoard{}, test::LoadTactics("").front().board, test::LoadTactics("threes")[3].board}) {
    SearchLimits limits;
    limits.stop = &stop;
    const SearchOutcome outcome = engine.Think(board, limits);
    ASSERT_NE(outcome.move, kNoCell);
    EXPECT_TRUE(OnBoard(CellX(outcome.move), CellY(outcome.move)));
    EXPECT_EQ(board.Stone(outcome.move), kEmpty);
  }
  EXPECT_EQ(engine.Think(SearchBoard{}, NodeLimits(kSmallNodes)).move,
            CellAt(kBoardSize / 2, kBoardSize / 2));
}

}  // namespace
}  // namespace pentad::strong
