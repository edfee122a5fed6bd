// Opening records: normalisation, the compare routines and the book file
// reader, including damaged files.
#include "classic/book/opening_book.hpp"

#include <gtest/gtest.h>

#include <chrono>

#include "book_test_support.hpp"

namespace pentad::classic::book {
namespace {

using testing::Answer;
using testing::PositionOf;
using testing::RecordOf;
using testing::StoneList;
using testing::StonesOf;

void Append32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// One record's bytes with the given raw count fields.
std::vector<uint8_t> RawRecord(uint8_t extentX, uint8_t extentY, uint8_t stoneCount,
                               uint32_t ownField, const StoneList& own, uint32_t oppField,
                               const StoneList& opp, int8_t answerX = 8, int8_t answerY = 7,
                               uint32_t wins = 3, uint32_t losses = 1) {
  std::vector<uint8_t> bytes = {extentX, extentY, stoneCount, static_cast<uint8_t>(answerX),
                                static_cast<uint8_t>(answerY)};
  Append32(bytes, wins);
  Append32(bytes, losses);
  Append32(bytes, ownField);
  for (auto [x, y] : own) bytes.insert(bytes.end(), {uint8_t(x), uint8_t(y)});
  Append32(bytes, oppField);
  for (auto [x, y] : opp) bytes.insert(bytes.end(), {uint8_t(x), uint8_t(y)});
  return bytes;
}

std::vector<uint8_t> FileOf(int32_t count, std::vector<std::vector<uint8_t>> records) {
  std::vector<uint8_t> bytes;
  Append32(bytes, static_cast<uint32_t>(count));
  for (const auto& record : records) bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

TEST(OpeningRecord, NormalizeMovesThePositionIntoItsWindow) {
  struct Case {
    StoneList stones;
    int originX, originY, extentX, extentY;
    StoneList moved;
  };
  const Case cases[] = {
      {{{0, 0}}, 0, 0, 7, 7, {{0, 0}}},     {{{10, 10}}, 3, 3, 14, 14, {{7, 7}}},
      {{{19, 19}}, 12, 12, 7, 7, {{7, 7}}}, {{{12, 9}, {15, 9}}, 5, 2, 14, 14, {{10, 7}, {7, 7}}},
      {{{2, 17}}, 0, 10, 9, 9, {{2, 7}}},
  };
  for (const Case& c : cases) {
    auto record = PositionOf(c.stones, {});
    record->answerX = 9;
    record->answerY = 9;
    record->Normalize();
    EXPECT_EQ(record->originX, c.originX);
    EXPECT_EQ(record->originY, c.originY);
    EXPECT_EQ(record->extentX, c.extentX);
    EXPECT_EQ(record->extentY, c.extentY);
    EXPECT_EQ(StonesOf(record->ownMoves), c.moved);
    EXPECT_EQ(record->answerX, 9 - c.originX);
    EXPECT_EQ(record->answerY, 9 - c.originY);
    EXPECT_EQ(record->stoneCount, static_cast<int8_t>(c.stones.size()));
  }
}

TEST(OpeningRecord, NormalizingTwiceCanWidenTheWindow) {
  auto record = PositionOf({{12, 9}, {15, 9}}, {});
  record->Normalize();
  EXPECT_EQ(record->extentX, 14);
  record->Normalize();
  EXPECT_EQ(record->originX, 0);
  EXPECT_EQ(record->extentX, 17);
}

TEST(OpeningRecord, WindowOffsetLeavesTheStonesAlone) {
  auto record = PositionOf({{12, 3}}, {{9, 15}});
  int ox = -1, oy = -1;
  record->WindowOffset(ox, oy);
  EXPECT_EQ(ox, 2);
  EXPECT_EQ(oy, 0);
  EXPECT_EQ(StonesOf(record->ownMoves), (StoneList{{12, 3}}));
}

TEST(OpeningRecord, CloneCopiesEverythingButTheSymmetry) {
  auto record = RecordOf({{9, 9}, {10, 9}}, {{8, 8}}, 11, 9, 7, 4);
  record->ApplySymmetry(3);
  const auto copy = record->Clone();
  EXPECT_EQ(copy->symmetry, 1);
  EXPECT_EQ(StonesOf(copy->ownMoves), StonesOf(record->ownMoves));
  EXPECT_EQ(StonesOf(copy->oppMoves), StonesOf(record->oppMoves));
  EXPECT_EQ(CompareOpenings(copy.get(), record.get()), 0);
  EXPECT_EQ(copy->extentX, record->extentX);
  EXPECT_EQ(copy->wins, 7u);
  EXPECT_EQ(copy->losses, 4u);
}

TEST(OpeningRecord, ComparePositionsLooksAtTheCommonLengthOnly) {
  auto a = PositionOf({{9, 9}}, {{5, 5}, {4, 4}});
  auto b = PositionOf({{9, 9}, {8, 8}}, {{5, 5}});
  EXPECT_EQ(ComparePositions(a.get(), b.get()), 0);
  auto c = PositionOf({{9, 9}, {8, 8}}, {{5, 6}});
  EXPECT_EQ(ComparePositions(b.get(), c.get()), 1) << "larger y first";
  auto d = PositionOf({{9, 9}}, {});
  EXPECT_EQ(ComparePositions(a.get(), d.get()), -2) << "more stones first";
}

TEST(OpeningRecord, CompareOpeningsPutsTheLargerAnswerFirst) {
  auto a = RecordOf({{9, 9}}, {}, 10, 9);
  auto b = RecordOf({{9, 9}}, {}, 11, 9);
  auto c = RecordOf({{9, 9}}, {}, 11, 10);
  EXPECT_GT(CompareOpenings(a.get(), b.get()), 0);
  EXPECT_GT(CompareOpenings(b.get(), c.get()), 0);
  EXPECT_EQ(CompareOpenings(c.get(), c.get()), 0);
}

TEST(BookFile, FourZeroBytesAreAnEmptyBook) {
  OpeningBook book;
  EXPECT_TRUE(book.LoadFromBytes(std::vector<uint8_t>(4, 0)));
  EXPECT_EQ(book.Count(), 0);
}

TEST(BookFile, AMissingFileLeavesTheBookEmpty) {
  OpeningBook book;
  book.fileName = "/nonexistent/Veklo.ob1";
  EXPECT_FALSE(book.Load());
  EXPECT_EQ(book.Count(), 0);
}

TEST(BookFile, RecordsReadBackAsWritten) {
  std::vector<std::unique_ptr<OpeningRecord>> records;
  records.push_back(
      RecordOf({{9, 9}, {11, 9}}, {{10, 10}, {8, 7}, {12, 12}}, 10, 8, 4000000000u, 17));
  const std::vector<uint8_t> bytes = testing::BookFileBytes(std::move(records));
  EXPECT_EQ(bytes.size(), 4u + 21 + 2 * 5);
  OpeningBook book;
  ASSERT_TRUE(book.LoadFromBytes(bytes));
  ASSERT_EQ(book.Count(), 1);
  const OpeningRecord& read = *book.At(0);
  const auto expected = RecordOf({{9, 9}, {11, 9}}, {{10, 10}, {8, 7}, {12, 12}}, 10, 8);
  EXPECT_EQ(StonesOf(read.ownMoves), StonesOf(expected->ownMoves));
  EXPECT_EQ(StonesOf(read.oppMoves), StonesOf(expected->oppMoves));
  EXPECT_EQ(read.extentX, expected->extentX);
  EXPECT_EQ(read.extentY, expected->extentY);
  EXPECT_EQ(read.answerX, expected->answerX);
  EXPECT_EQ(read.wins, 4000000000u);
  EXPECT_EQ(read.losses, 17u);
  EXPECT_EQ(read.originX, 0) << "the origin is not stored";
}

TEST(BookFile, OnlyTheLowByteOfACountReadsStones) {
  struct Case {
    uint32_t field;
    int stonesRead;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {0x105, 5}, {128, 128}, {129, 0}, {255, 0}, {0x100, 0}};
  for (const Case& c : cases) {
    const int present = c.field & 0xFF;
    StoneList own(static_cast<size_t>(present), {7, 7});
    OpeningBook book;
    book.LoadFromBytes(FileOf(1, {RawRecord(14, 14, 1, c.field, own, 0, {})}));
    ASSERT_GE(book.Count(), 1);
    EXPECT_EQ(book.At(0)->ownMoves.Count(), c.stonesRead) << "count field " << c.field;
  }
}

TEST(BookFile, ARecordWithNoStonesMatchesEveryQueryOfItsStoneCount) {
  OpeningBook book;
  book.LoadFromBytes(FileOf(1, {RawRecord(14, 14, 3, 0, {}, 0, {})}));
  ASSERT_EQ(book.Count(), 1);
  EXPECT_EQ(book.At(0)->stoneCount, 3);
  auto query = PositionOf({{4, 4}}, {{9, 9}, {15, 2}});
  EXPECT_EQ(testing::Answers(book, *query).size(), 1u);
}

TEST(BookFile, EqualPositionsWithOtherAnswersAreBothKept) {
  std::vector<std::unique_ptr<OpeningRecord>> records;
  records.push_back(RecordOf({{9, 9}}, {}, 10, 10));
  records.push_back(RecordOf({{9, 9}}, {}, 11, 8));
  OpeningBook book;
  book.LoadFromBytes(testing::BookFileBytes(std::move(records)));
  ASSERT_EQ(book.Count(), 2);
  EXPECT_GT(book.At(0)->answerX, book.At(1)->answerX);
}

// The mended reading: a count beyond the data ends at the end of the file,
// while a record cut off in the middle still loads as far as it goes.
TEST(BookFile, ACountBeyondTheDataStopsAtTheEndOfTheFile) {
  const auto full = RawRecord(14, 14, 1, 0, {}, 1, {{7, 7}});
  struct Case {
    int32_t count;
    std::vector<std::vector<uint8_t>> records;
    int loaded;
  };
  const Case cases[] = {
      {0x7FFFFFFF, {}, 0},
      {0x7FFFFFFF, {full}, 1},
      {3, {full, {14, 14, 1, 8, 7}}, 2},
      {-5, {full}, 0},
  };
  for (const Case& c : cases) {
    OpeningBook book;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(book.LoadFromBytes(FileOf(c.count, c.records)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(book.Count(), c.loaded) << "count " << c.count;
  }
}

TEST(BookFile, ACutOffRecordKeepsTheDefaultsOfWhatIsMissing) {
  const auto full = RawRecord(14, 14, 1, 0, {}, 1, {{7, 7}}, 8, 7, 3, 1);
  struct Case {
    size_t kept;  // bytes of the record left in the file
    uint32_t wins;
    int8_t answerX;
    int stones;
  };
  const Case cases[] = {{1, 0, -1, 0}, {4, 0, 8, 0}, {7, 3, 8, 0}, {21, 3, 8, 1}, {22, 3, 8, 1}};
  for (const Case& c : cases) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(c.kept));
    OpeningBook book;
    book.LoadFromBytes(FileOf(2, {cut}));
    ASSERT_EQ(book.Count(), 1) << c.kept << " bytes";
    const OpeningRecord& record = *book.At(0);
    EXPECT_EQ(record.extentX, 14);
    EXPECT_EQ(record.answerX, c.answerX) << c.kept << " bytes";
    EXPECT_EQ(record.wins, c.wins) << c.kept << " bytes";
    EXPECT_EQ(record.oppMoves.Count(), c.stones) << c.kept << " bytes";
    EXPECT_EQ(record.ownMoves.Count(), 0);
  }
}

}  // namespace
}  // namespace pentad::classic::book
