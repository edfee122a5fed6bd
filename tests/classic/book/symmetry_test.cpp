// The eight symmetries and the book lookup under them.
#include <gtest/gtest.h>

#include "book_test_support.hpp"
#include "classic/book/opening_book.hpp"
#include "classic/book/symmetries.hpp"

namespace pentad::classic::book {
namespace {

using testing::Answer;
using testing::PositionOf;
using testing::RecordOf;
using testing::StoneList;
using testing::StonesOf;

TEST(Symmetries, EachInverseEntryUndoesItsForwardEntry) {
  const int points[][4] = {{0, 0, 7, 7}, {3, 11, 14, 17}, {13, 2, 19, 9}, {5, 5, 10, 16}};
  for (int k = 1; k <= kSymmetryCount; ++k) {
    for (const auto& p : points) {
      int8_t x = int8_t(p[0]), y = int8_t(p[1]), extentX = int8_t(p[2]), extentY = int8_t(p[3]);
      ForwardSymmetry(k).Apply(x, y, extentX, extentY);
      InverseSymmetry(k).Apply(x, y, extentX, extentY);
      EXPECT_EQ(x, p[0]) << "k " << k;
      EXPECT_EQ(y, p[1]) << "k " << k;
      EXPECT_EQ(extentX, p[2]) << "k " << k;
      EXPECT_EQ(extentY, p[3]) << "k " << k;
    }
  }
}

TEST(Symmetries, ForwardEntriesMatchTheirFormulas) {
  const int x = 2, y = 5, X = 14, Y = 17;
  const int expected[8][2] = {{x, y},         {X - x, y}, {Y - y, x}, {Y - y, X - x},
                              {X - x, Y - y}, {x, Y - y}, {y, X - x}, {y, x}};
  for (int k = 1; k <= kSymmetryCount; ++k) {
    int8_t px = x, py = y, ex = X, ey = Y;
    ForwardSymmetry(k).Apply(px, py, ex, ey);
    EXPECT_EQ(px, expected[k - 1][0]) << "k " << k;
    EXPECT_EQ(py, expected[k - 1][1]) << "k " << k;
    const bool turned = k == 3 || k == 4 || k == 7 || k == 8;
    EXPECT_EQ(ex, turned ? Y : X) << "k " << k;
  }
}

TEST(Symmetries, MirroringMovesAStoneAwayFromTheEdge) {
  auto record = PositionOf({{2, 9}}, {});
  record->Normalize();
  ASSERT_EQ(record->extentX, 9);
  record->ApplySymmetry(2);
  EXPECT_EQ(StonesOf(record->ownMoves), (StoneList{{7, 7}}));
  EXPECT_EQ(record->extentX, 14);
  EXPECT_EQ(record->symmetry, 2);
}

TEST(FindAnswers, AnEmptyBookFindsNothing) {
  OpeningBook book;
  auto query = PositionOf({{9, 9}}, {{10, 10}});
  std::vector<std::unique_ptr<FoundAnswer>> results;
  EXPECT_FALSE(book.FindAnswers(results, *query));
  EXPECT_TRUE(results.empty());
}

TEST(FindAnswers, TheStoredOrientationGivesTheStoredAnswerShifted) {
  OpeningBook book;
  book.Add(RecordOf({{3, 4}}, {{14, 12}, {4, 4}}, 5, 6, 9, 2));
  auto query = PositionOf({{3, 4}}, {{14, 12}, {4, 4}});
  EXPECT_EQ(testing::Answers(book, *query), (std::vector<Answer>{{5, 6, 9, 2}}));
  EXPECT_EQ(book.Count(), 0) << "a record found leaves the book";
}

TEST(FindAnswers, ASelfSymmetricPositionReportsItsRecordOnce) {
  OpeningBook book;
  book.Add(RecordOf({}, {{9, 9}}, 10, 10, 4, 0));
  auto query = PositionOf({}, {{9, 9}});
  EXPECT_EQ(testing::Answers(book, *query), (std::vector<Answer>{{10, 10, 4, 0}}));
}

TEST(FindAnswers, MirrorImageRecordsAreBothFound) {
  OpeningBook book;
  book.Add(RecordOf({{9, 9}}, {{10, 9}, {12, 11}}, 11, 10, 1, 0));
  book.Add(RecordOf({{10, 9}}, {{9, 9}, {7, 11}}, 8, 10, 2, 0));
  book.Resort();
  auto query = PositionOf({{9, 9}}, {{10, 9}, {12, 11}});
  const auto answers = testing::Answers(book, *query);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], (Answer{11, 10, 1, 0}));
  EXPECT_EQ(answers[1], (Answer{11, 10, 2, 0})) << "the mirrored record maps to the same square";
}

TEST(FindAnswers, EveryOrientationOfAStoredPositionGivesItsAnswerBack) {
  const StoneList own = {{3, 4}, {5, 5}}, opp = {{4, 6}, {6, 4}, {2, 2}};
  const std::pair<int, int> answer = {4, 3};
  // The eight board symmetries of the 20 x 20 board.
  const auto orient = [](int k, std::pair<int, int> p) -> std::pair<int, int> {
    auto [x, y] = p;
    if (k & 1) x = 19 - x;
    if (k & 2) y = 19 - y;
    if (k & 4) std::swap(x, y);
    return {x, y};
  };
  for (int k = 0; k < 8; ++k) {
    StoneList ownTurned, oppTurned;
    for (auto s : own) ownTurned.push_back(orient(k, s));
    for (auto s : opp) oppTurned.push_back(orient(k, s));
    OpeningBook book;
    book.Add(RecordOf(own, opp, answer.first, answer.second, 1, 0));
    const auto answers = testing::Answers(book, *PositionOf(ownTurned, oppTurned));
    const auto expected = orient(k, answer);
    EXPECT_EQ(answers, (std::vector<Answer>{{expected.first, expected.second, 1, 0}}))
        << "orientation " << k;
  }
}

}  // namespace
}  // namespace pentad::classic::book
