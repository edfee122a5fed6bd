#include "classic/select/candidates.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "classic/board/evaluate.hpp"
#include "classic/select/select_move.hpp"
#include "test_support.hpp"

namespace pentad::classic {
namespace {

constexpr uint8_t X = kPlayerX;
constexpr uint8_t O = kPlayerO;

Board EvaluatedMidgame(uint32_t seed) {
  const Position position = test::PositionFromRows(
      {"--------------------", "--------------------", "--------------------",
       "--------------------", "--------------------", "--------------------",
       "-------x------------", "-------ox-----------", "------oxxo----------",
       "-------ox-o---------", "--------x-----------", "--------o-----------"},
      X);
  Board board = BoardOf(position.stones);
  Random random(seed);
  EvaluateBoard(board, X, position.StoneCount(), random);
  return board;
}

TEST(CandidateList, HoldsTheTwentyBestInRankOrder) {
  const Board board = EvaluatedMidgame(5);
  CandidateList table{};
  Random random(5);
  BuildCandidates(table, board, random);
  std::set<std::pair<int, int>> listed;
  for (int p = 1; p <= kCandidateWidth; ++p) {
    const CandidateRecord& r = table.at(p);
    ASSERT_FALSE(r.IsPlaceholder());
    EXPECT_EQ(board.at(r.x, r.y).occupant, kEmpty);
    EXPECT_EQ(r.value, board.at(r.x, r.y).value);
    listed.insert({r.x, r.y});
    if (p > 1) {
      const CandidateRecord& up = table.at(p - 1);
      EXPECT_TRUE(up.value > r.value || (up.value == r.value && up.ownScore >= r.ownScore));
    }
  }
  const CandidateRecord& last = table.at(kCandidateWidth);
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      const Cell& c = board.at(x, y);
      if (c.occupant != kEmpty || listed.count({x, y})) continue;
      EXPECT_TRUE(c.value < last.value || (c.value == last.value && c.ownScore <= last.ownScore));
    }
}

TEST(CandidateList, EqualRecordsComeInEitherOrder) {
  // The empty board around a centre stone is symmetric: many records tie on
  // value and ownScore, and their order follows the coin.
  std::set<std::pair<int, int>> firsts;
  for (uint32_t seed = 0; seed < 40; ++seed) {
    Board board;
    board.at(9, 9).occupant = X;
    board.at(9, 9).value = kOccupiedValue;
    Random random(seed);
    EvaluateBoard(board, O, 1, random);
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y)
        if (board.at(x, y).occupant == kEmpty) board.at(x, y).value = board.at(x, y).ownScore;
    CandidateList table{};
    BuildCandidates(table, board, random);
    firsts.insert({table.at(1).x, table.at(1).y});
  }
  EXPECT_GT(firsts.size(), 1u);
}

TEST(CandidateList, FewEmptySquaresLeavePlaceholdersAtTheEnd) {
  Board board;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      board.at(x, y).occupant = (x + y) % 2 ? X : O;
      board.at(x, y).value = kOccupiedValue;
    }
  for (int i = 0; i < 5; ++i) {
    board.at(i, 0).occupant = kEmpty;
    board.at(i, 0).value = 10 * i;
  }
  CandidateList table{};
  Random random(1);
  BuildCandidates(table, board, random);
  for (int p = 1; p <= 5; ++p) EXPECT_EQ(table.at(p).x, 5 - p);
  for (int p = 6; p <= kCandidateWidth; ++p) {
    EXPECT_TRUE(table.at(p).IsPlaceholder());
    EXPECT_EQ(table.at(p).value, kOccupiedValue);
  }
}

CandidateList TableOf(std::vector<CandidateRecord> records) {
  CandidateList table{};
  for (int p = 1; p <= kCandidateWidth; ++p) {
    CandidateRecord r;
    r.x = r.y = -1;
    r.value = r.ownScore = r.oppScore = kOccupiedValue;
    table.at(p) = p <= static_cast<int>(records.size()) ? records[p - 1] : r;
  }
  return table;
}

CandidateRecord Rec(int x, int32_t value, uint8_t ownThreat = 0, uint8_t oppThreat = 0,
                    uint8_t oppDouble = 0) {
  CandidateRecord r;
  r.x = x;
  r.y = 0;
  r.value = value;
  r.ownThreat = ownThreat;
  r.oppThreat = oppThreat;
  r.oppDouble = oppDouble;
  return r;
}

TEST(CandidateList, ResortOrdersByValueAndKeepsEqualValuesInPlace) {
  CandidateList table = TableOf({Rec(1, 5), Rec(2, 9), Rec(3, 5), Rec(4, 9), Rec(5, 7)});
  ResortCandidates(table);
  const int expected[] = {2, 4, 5, 1, 3};
  for (int p = 1; p <= 5; ++p) EXPECT_EQ(table.at(p).x, expected[p - 1]) << p;
}

struct FilterCase {
  const char* name;
  std::vector<CandidateRecord> records;
  std::vector<int> kept;  // x of the records still in play
};

class ForcedReplies : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ForcedReplies, KeepOnlyAnswersToTheStrongestThreat) {
  CandidateList table = TableOf(GetParam().records);
  FilterForcedReplies(table);
  std::vector<int> kept;
  for (int p = 1; p <= static_cast<int>(GetParam().records.size()); ++p) {
    const CandidateRecord& r = table.at(p);
    if (!r.excluded) {
      kept.push_back(r.x);
      EXPECT_EQ(r.value, GetParam().records[p - 1].value);
    } else {
      EXPECT_EQ(r.value, 0);
    }
  }
  EXPECT_EQ(kept, GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    CandidateList, ForcedReplies,
    ::testing::Values(
        FilterCase{
            "FiveAloneIsNotFiltered", {Rec(1, 50, 0, 5), Rec(2, 40, 1, 1), Rec(3, 30)}, {1, 2, 3}},
        FilterCase{"OpenFourKeepsBlocksAndOwnFours",
                   {Rec(1, 50, 0, 4), Rec(2, 40, 3, 0), Rec(3, 30, 2, 3), Rec(4, 20, 0, 4)},
                   {1, 2, 4}},
        FilterCase{"DoubleWithFourFiltersLikeOpenFour",
                   {Rec(1, 50, 0, 3, 2), Rec(2, 40, 4, 0), Rec(3, 30, 1, 1)},
                   {2}},
        FilterCase{"LesserDoubleKeepsSquaresOnBothPlayersLines",
                   {Rec(1, 50, 1, 1, 1), Rec(2, 40, 0, 2), Rec(3, 30, 2, 1)},
                   {1, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CandidateList, PlayingACandidateChangesOnlyItsFourLines) {
  const Board before = EvaluatedMidgame(9);
  CandidateList table{};
  Random random(9);
  BuildCandidates(table, before, random);
  const CandidateRecord move = table.at(1);
  Board after = before;
  PlayCandidate(after, move, X, 12, random);
  EXPECT_EQ(after.at(move.x, move.y).occupant, X);
  int changed = 0;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      if (std::memcmp(&before.at(x, y), &after.at(x, y), sizeof(Cell)) == 0) continue;
      ++changed;
      const int dx = x - move.x, dy = y - move.y;
      const bool onALine = dx == 0 || dy == 0 || dx == dy || dx == -dy;
      EXPECT_TRUE(onALine && std::max(std::abs(dx), std::abs(dy)) <= 4) << x << "," << y;
    }
  EXPECT_GT(changed, 1);
}

}  // namespace
}  // namespace pentad::classic
