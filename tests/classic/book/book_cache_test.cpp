// Books kept between decisions: a shared book answers as a fresh one does,
// and the cache follows the file.
#include "classic/book/book_cache.hpp"

#include <gtest/gtest.h>

#include <random>

#include "book_test_support.hpp"

namespace pentad::classic::book {
namespace {

using testing::Answer;
using testing::RecordOf;
using testing::StoneList;
using testing::TempDir;

std::vector<Answer> SharedAnswers(const SharedBook& book, const OpeningRecord& query) {
  std::vector<std::unique_ptr<FoundAnswer>> results;
  book.FindAnswers(results, query);
  std::vector<Answer> answers;
  for (const auto& r : results) answers.push_back({r->answerX, r->answerY, r->wins, r->losses});
  return answers;
}

// Few stones near the centre, so that random records often repeat a
// position, its mirror images and each other's answers.
StoneList RandomStones(std::mt19937& rng, int count) {
  StoneList stones;
  while (static_cast<int>(stones.size()) < count) {
    const std::pair<int, int> stone{8 + static_cast<int>(rng() % 4),
                                    8 + static_cast<int>(rng() % 4)};
    if (std::find(stones.begin(), stones.end(), stone) == stones.end()) stones.push_back(stone);
  }
  return stones;
}

TEST(SharedBook, AnswersAsAFreshBookDoesAndStaysWhole) {
  std::mt19937 rng(5);
  for (int round = 0; round < 40; ++round) {
    TempDir dir;
    const auto file = dir.path() / "Veklo.ob1";
    std::vector<std::unique_ptr<OpeningRecord>> records;
    for (int i = 0; i < 30; ++i) {
      const StoneList all = RandomStones(rng, 2);
      records.push_back(RecordOf({all[0]}, {all[1]}, 6 + static_cast<int>(rng() % 8),
                                 6 + static_cast<int>(rng() % 8), rng() % 9, rng() % 9));
    }
    testing::WriteFile(file, testing::BookFileBytes(std::move(records)));
    bool complete = false;
    const auto shared = LoadSharedBook(file, {}, complete);
    ASSERT_TRUE(shared && complete);
    for (int q = 0; q < 10; ++q) {
      const StoneList all = RandomStones(rng, 2);
      const auto query = testing::PositionOf({all[0]}, {all[1]});
      OpeningBook fresh;
      fresh.fileName = file.string();
      ASSERT_TRUE(fresh.Load());
      EXPECT_EQ(SharedAnswers(*shared, *query), testing::Answers(fresh, *query)) << round;
      EXPECT_EQ(shared->Count(), 30);
    }
  }
}

TEST(BookCache, ReloadsOnlyWhenTheFileChanges) {
  TempDir dir;
  const auto file = dir.path() / "Veklo.ob1";
  const auto write = [&](int answers) {
    std::vector<std::unique_ptr<OpeningRecord>> records;
    for (int i = 0; i < answers; ++i)
      records.push_back(RecordOf({{9, 9}}, {{10, 10}}, 9, 11 + i, 1));
    testing::WriteFile(file, testing::BookFileBytes(std::move(records)));
  };
  BookCache cache;
  write(1);
  const auto first = cache.Get(file, {});
  ASSERT_TRUE(first);
  EXPECT_EQ(cache.Get(file, {}), first);
  write(2);
  const auto second = cache.Get(file, {});
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Count(), 2);
  // A load the clock cut short serves its decision but is not kept.
  std::vector<std::unique_ptr<OpeningRecord>> many;
  for (int i = 0; i < 1000; ++i) many.push_back(RecordOf({{9, 9}}, {{10, 10}}, 9, 11, i));
  testing::WriteFile(file, testing::BookFileBytes(std::move(many)));
  BookLoadLimits hurried;
  hurried.stop = [] { return true; };
  const auto partial = cache.Get(file, hurried);
  ASSERT_TRUE(partial);
  EXPECT_LT(partial->Count(), 1000);
  EXPECT_EQ(cache.Get(file, {})->Count(), 1000);
  EXPECT_FALSE(cache.Get(dir.path() / "missing", {}));
}

}  // namespace
}  // namespace pentad::classic::book
