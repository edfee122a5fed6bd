// `pentad book show` and `pentad book check` on good and broken books.
#include <gtest/gtest.h>

#include <fstream>

#include "book_test_support.hpp"
#include "classic/book/book_inspection.hpp"

namespace pentad::classic::book {
namespace {

namespace fs = std::filesystem;
using testing::RecordOf;
using testing::RunPentad;
using testing::TempDir;

std::unique_ptr<OpeningRecord> GoodRecord() {
  return RecordOf({{10, 9}, {9, 11}}, {{9, 9}, {11, 10}, {8, 11}}, 12, 12, 3, 1);
}

struct Broken {
  const char* problem;
  void (*breakIt)(OpeningRecord&);
};

void SwapFirstOwnStones(OpeningRecord& r) {
  WindowSquare* a = r.ownMoves.At(0);
  WindowSquare* b = r.ownMoves.At(1);
  std::swap(*a, *b);
}

// Each breaks one rule a findable record keeps.
const Broken kBroken[] = {
    {"extent along x is", [](OpeningRecord& r) { r.extentX = static_cast<int8_t>(r.extentX + 1); }},
    {"own stones are not in descending order", SwapFirstOwnStones},
    {"stone count 7, but the lists hold 5", [](OpeningRecord& r) { r.stoneCount = 7; }},
    {"not normalised along y",
     [](OpeningRecord& r) {
       for (PlayerMoves* list : {&r.ownMoves, &r.oppMoves})
         for (int i = 0; i < list->Count(); ++i) list->At(i)->y += 3;
     }},
    {"is on a stone",
     [](OpeningRecord& r) {
       r.answerX = r.oppMoves.At(0)->x;
       r.answerY = r.oppMoves.At(0)->y;
     }},
    {"no answer square", [](OpeningRecord& r) { r.answerX = r.answerY = -1; }},
};

TEST(BookInspection, EachBrokenRuleIsReported) {
  const RecordLayout complete{nullptr, 0, 0, 2, 3, true};
  EXPECT_TRUE(RecordProblems(*GoodRecord(), complete, 2).empty());
  for (const Broken& broken : kBroken) {
    auto record = GoodRecord();
    broken.breakIt(*record);
    const auto problems = RecordProblems(*record, complete, 2);
    ASSERT_EQ(problems.size(), 1u) << broken.problem;
    EXPECT_NE(problems[0].find(broken.problem), std::string::npos) << problems[0];
  }
  EXPECT_NE(RecordProblems(*GoodRecord(), complete, 1).at(0).find("belong in book 2"),
            std::string::npos);
  const RecordLayout wideCount{nullptr, 0, 0, 0x102, 3, true};
  EXPECT_NE(RecordProblems(*GoodRecord(), wideCount, 0).at(0).find("more than its low byte"),
            std::string::npos);
}

TEST(BookInspection, ExtentsOfAWindowAwayFromTheEdgeMayBeNarrower) {
  // StoneList at 7..10 of a window cut by the far edge: any extent from 10 to
  // 17 is what some placement on the board normalises to.
  const RecordLayout complete{nullptr, 0, 0, 1, 1, true};
  for (int extent = 9; extent <= 18; ++extent) {
    auto record = RecordOf({{7, 9}}, {{10, 9}}, 8, 8);
    record->extentX = static_cast<int8_t>(extent);
    const bool fine = extent >= 10 && extent <= 17;
    EXPECT_EQ(RecordProblems(*record, complete, 0).empty(), fine) << "extent " << extent;
  }
}

TEST(BookCommand, CheckListsEveryBrokenRecord) {
  TempDir dir;
  std::vector<std::unique_ptr<OpeningRecord>> records;
  records.push_back(GoodRecord());
  for (const Broken& broken : kBroken) {
    records.push_back(GoodRecord());
    broken.breakIt(*records.back());
  }
  const fs::path file = dir.path() / "Veklo.ob2";
  testing::WriteFile(file, testing::BookFileBytes(std::move(records)));
  const auto run = RunPentad("book check " + file.string());
  EXPECT_EQ(run.status, 1) << run.output;
  for (size_t i = 0; i < std::size(kBroken); ++i) {
    const std::string line = "record " + std::to_string(i + 2) + ": ";
    const size_t at = run.output.find(line);
    ASSERT_NE(at, std::string::npos) << line << "\n" << run.output;
    const std::string reported = run.output.substr(at, run.output.find('\n', at) - at);
    EXPECT_NE(reported.find(kBroken[i].problem), std::string::npos) << reported;
  }
  EXPECT_EQ(run.output.find("record 1:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("6 of 7 records break"), std::string::npos) << run.output;
}

TEST(BookCommand, CheckReportsADamagedFile) {
  TempDir dir;
  std::vector<std::unique_ptr<OpeningRecord>> records;
  records.push_back(GoodRecord());
  std::vector<uint8_t> bytes = testing::BookFileBytes(std::move(records));
  bytes[0] = 3;
  bytes.insert(bytes.end(), {14, 14, 5});
  const fs::path file = dir.path() / "book.bin";
  testing::WriteFile(file, bytes);
  const auto run = RunPentad("book check " + file.string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("announces 3 records, the file holds 2"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("record 2: the file ends inside this record"), std::string::npos);
}

TEST(BookCommand, ShowPrintsTheRecordsInBookOrder) {
  TempDir dir;
  std::vector<std::unique_ptr<OpeningRecord>> records;
  records.push_back(RecordOf({}, {{9, 9}}, 10, 10, 4, 0));
  records.push_back(GoodRecord());
  const fs::path file = dir.path() / "Veklo.ob2";
  testing::WriteFile(file, testing::BookFileBytes(std::move(records)));
  const auto run = RunPentad("book show " + file.string());
  EXPECT_EQ(run.status, 0) << run.output;
  const size_t first = run.output.find("1. [file record 2] stones 5, extents 17 x 16");
  const size_t second = run.output.find("2. [file record 1] stones 1, extents 14 x 14");
  EXPECT_NE(first, std::string::npos) << run.output;
  EXPECT_NE(second, std::string::npos) << run.output;
  EXPECT_NE(run.output.find("other:  (7,7)\n    answer (8,8), wins 4, losses 0"), std::string::npos)
      << run.output;
  EXPECT_EQ(RunPentad("book check " + file.string()).status, 0);
}

// A book that is missing, no regular file, or of gigabytes (sparse, so the
// test stays small) is refused with the reason, never read whole.
TEST(BookCommand, ABookThatCannotBeReadIsAnErrorSayingWhy) {
  TempDir dir;
  const fs::path huge = dir.path() / "Veklo.ob1";
  std::ofstream{huge};
  fs::resize_file(huge, uintmax_t{4} << 30);
  const std::pair<std::string, std::string> cases[] = {
      {"/nonexistent/Veklo.ob1", "does not exist"},
      {"/dev/zero", "not a regular file"},
      {dir.path().string(), "directory"},
      {huge.string(), "larger than 64 MiB"},
  };
  for (const char* command : {"show", "check"})
    for (const auto& [file, reason] : cases) {
      const auto run = RunPentad(std::string("book ") + command + " " + file);
      EXPECT_EQ(run.status, 2) << command << " " << file;
      EXPECT_NE(run.output.find("cannot read " + file + ": it "), std::string::npos) << run.output;
      EXPECT_NE(run.output.find(reason), std::string::npos) << run.output;
    }
}

}  // namespace
}  // namespace pentad::classic::book
