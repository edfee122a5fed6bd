#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "classic/book/book_test_support.hpp"
#include "engine/bench_positions.hpp"
#include "test_support.hpp"

namespace pentad {
namespace {

// The signature pinned for `engine` in bench/signatures.txt.
std::string PinnedSignature(const std::string& engine) {
  std::ifstream in(std::string(PENTAD_SOURCE_DIR) + "/bench/signatures.txt");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(engine + " ", 0) == 0) return line.substr(engine.size() + 1);
  return "no pinned signature for " + engine;
}

std::string BenchSignature(const std::string& commandPrefix = "") {
  const auto result = test::RunCommand(commandPrefix + PENTAD_EXE " bench");
  EXPECT_EQ(result.status, 0);
  const size_t last = result.output.rfind("signature: ");
  return last == std::string::npos ? result.output : result.output.substr(last + 11, 16);
}

// Every engine's decisions are held to the signatures pinned beside the
// benchmarks: a refactor that changes neither proves it changed nothing.
TEST(Bench, SignaturesAreThePinnedOnes) {
  const auto result = test::RunCommand(PENTAD_EXE " bench");
  ASSERT_EQ(result.status, 0);
  const std::string& out = result.output;
  const size_t last = out.rfind("signature: ");
  ASSERT_NE(last, std::string::npos) << out;
  const std::string summary = out.substr(last);
  EXPECT_EQ(summary.substr(11, 16), PinnedSignature("classic")) << summary;
  EXPECT_NE(summary.find("  checks/s: "), std::string::npos) << summary;
  EXPECT_NE(summary.find("  findthreat/s: "), std::string::npos) << summary;
  const size_t strong = summary.find("\nstrong:    ");
  ASSERT_NE(strong, std::string::npos) << summary;
  EXPECT_EQ(summary.substr(strong + 12, 16), PinnedSignature("strong")) << summary;
  EXPECT_GE(std::count(out.begin(), out.end(), '\n'), 31);
}

// Books that answer every bench opening with a sure win, in the directory
// bench runs in: the signature depends on the code alone, so bench reads
// no book from its working directory.
TEST(Bench, ReadsNoBookFromTheWorkingDirectory) {
  std::vector<std::unique_ptr<classic::book::OpeningRecord>> books[2];
  for (const engine::BenchPosition& bench : engine::BenchPositions()) {
    const Position& position = bench.position;
    if (position.StoneCount() < 3 || position.StoneCount() > 9) continue;
    classic::book::testing::StoneList own, opp, empty;
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y) {
        const uint8_t occupant = position.stones.At(x, y);
        (occupant == 0 ? empty : occupant == position.sideRead ? own : opp).emplace_back(x, y);
      }
    books[position.StoneCount() % 2].push_back(classic::book::testing::RecordOf(
        own, opp, empty.front().first, empty.front().second, 1000, 0));
  }
  ASSERT_FALSE(books[0].empty() && books[1].empty()) << "no bench opening to put in a book";
  test::TempDir dir;
  classic::book::testing::WriteFile(dir.path() / "Veklo.ob1",
                                    classic::book::testing::BookFileBytes(std::move(books[0])));
  classic::book::testing::WriteFile(dir.path() / "Veklo.ob2",
                                    classic::book::testing::BookFileBytes(std::move(books[1])));
  EXPECT_EQ(BenchSignature("cd " + test::Quote(dir.path()) + " && "), PinnedSignature("classic"));
}

}  // namespace
}  // namespace pentad
