#include "select/candidates.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "board/evaluate.hpp"
#include "select/engine_context.hpp"
#include "test_support.hpp"

namespace pentad {
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
  Board board = position.board;
  Random random(seed);
  EvaluateBoard(board, X, position.stoneCount, random);
  return board;
}

TEST(CandidateList, HoldsTheTwentyBestInRankOrder) {
  const Board board = EvaluatedMidgame(5);
  CandidateTable table{};
  Random random(5);
  BuildCandidates(table, 1, board, random);
  std::set<std::pair<int, int>> listed;
  for (int p = 1; p <= kTopLevelWidth; ++p) {
    const CandidateRecord& r = table.at(1, p);
    ASSERT_FALSE(r.IsPlaceholder());
    EXPECT_EQ(board.at(r.x, r.y).occupant, kEmpty);
    EXPECT_EQ(r.value, board.at(r.x, r.y).value);
    listed.insert({r.x, r.y});
    if (p > 1) {
      const CandidateRecord& up = table.at(1, p - 1);
      EXPECT_TRUE(up.value > r.value || (up.value == r.value && up.ownScore >= r.ownScore));
    }
  }
  const CandidateRecord& last = table.at(1, kTopLevelWidth);
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
    CandidateTable table{};
    BuildCandidates(table, 1, board, random);
    firsts.insert({table.at(1, 1).x, table.at(1, 1).y});
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
  CandidateTable table{};
  Random random(1);
  BuildCandidates(table, 1, board, random);
  for (int p = 1; p <= 5; ++p) EXPECT_EQ(table.at(1, p).x, 5 - p);
  for (int p = 6; p <= kTopLevelWidth; ++p) {
    EXPECT_TRUE(table.at(1, p).IsPlaceholder());
    EXPECT_EQ(table.at(1, p).value, kOccupiedValue);
  }
}

CandidateTable TableOf(std::vector<CandidateRecord> records) {
  CandidateTable table{};
  for (int p = 1; p <= kTopLevelWidth; ++p) {
    CandidateRecord r;
    r.x = r.y = -1;
    r.value = r.ownScore = r.oppScore = kOccupiedValue;
    table.at(1, p) = p <= static_cast<int>(records.size()) ? records[p - 1] : r;
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
  CandidateTable table = TableOf({Rec(1, 5), Rec(2, 9), Rec(3, 5), Rec(4, 9), Rec(5, 7)});
  ResortCandidates(table, 1);
  const int expected[] = {2, 4, 5, 1, 3};
  for (int p = 1; p <= 5; ++p) EXPECT_EQ(table.at(1, p).x, expected[p - 1]) << p;
}

struct FilterCase {
  const char* name;
  std::vector<CandidateRecord> records;
  std::vector<int> kept;  // x of the records still in play
};

class ForcedReplies : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ForcedReplies, KeepOnlyAnswersToTheStrongestThreat) {
  CandidateTable table = TableOf(GetParam().records);
  FilterForcedReplies(table, 1);
  std::vector<int> kept;
  for (int p = 1; p <= static_cast<int>(GetParam().records.size()); ++p) {
    const CandidateRecord& r = table.at(1, p);
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

TEST(CandidateList, PlayAndTakeBackRestoreTheBoardExactly) {
  auto context = std::make_unique<EngineContext>();
  context->board = EvaluatedMidgame(9);
  context->stoneCount = 12;
  context->sideToMove = X;
  context->BuildCandidates(1);
  const Board before = context->board;
  context->lineMoves[0] = context->candidates.at(1, 1);
  context->PlayCandidate(1);
  const CandidateRecord& move = context->lineMoves[0];
  EXPECT_EQ(context->board.at(move.x, move.y).occupant, X);
  EXPECT_NE(std::memcmp(&before, &context->board, sizeof before), 0);
  context->TakeBack(1);
  EXPECT_EQ(std::memcmp(&before, &context->board, sizeof before), 0);
}

}  // namespace
}  // namespace pentad
