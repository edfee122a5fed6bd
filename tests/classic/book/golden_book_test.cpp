// The book answers and decisions of the golden positions, made by an
// independent implementation of the same rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "classic/board/evaluate.hpp"
#include "classic/book/consultation.hpp"
#include "classic/decision/decision.hpp"
#include "common/file_lookup.hpp"
#include "common/position_files.hpp"
#include "test_support.hpp"

namespace pentad::classic {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr uint32_t kGoldenSeed = 1;
constexpr int64_t kGoldenChecks = 1000;

struct GoldenFolder {
  fs::path dir;
  Json expected;
  bool hasBook = false;
};

std::vector<GoldenFolder> GoldenFolders() {
  std::vector<GoldenFolder> folders;
  for (const fs::path& dir : test::GoldenFolders()) {
    std::ifstream in(dir / "expected.json");
    GoldenFolder folder{dir, Json::parse(in)};
    folder.hasBook = FindFileIgnoringCase(dir, "Veklo.ob1").has_value() ||
                     FindFileIgnoringCase(dir, "Veklo.ob2").has_value();
    folders.push_back(std::move(folder));
  }
  return folders;
}

Json AnswersJson(const std::vector<BookAnswer>& answers) {
  Json out = Json::array();
  for (const BookAnswer& a : answers) out.push_back(Json::array({a.x, a.y, a.wins, a.losses}));
  return out;
}

// The consultation as move selection runs it: evaluation, the candidate
// list, then the book.
std::vector<BookAnswer> ConsultedAnswers(const fs::path& dir) {
  const auto position = ReadPosition(dir);
  std::vector<BookAnswer> answers;
  if (!position || position->StoneCount() > 9 || position->StoneCount() == 0 ||
      position->StoneCount() == 2)
    return answers;
  DecisionState state = EngineFor(*position, kGoldenSeed);
  EvaluateBoard(state.board, state.engineSide, state.stoneCount, state.random);
  BuildCandidates(state.candidates, state.board, state.random);
  answers = ConsultBook(state.board, state.candidates, state.stoneCount, state.engineSide,
                        BookFor(dir, state.stoneCount, nullptr), state.random, state.time)
                .answers;
  return answers;
}

Decision GoldenDecision(const fs::path& dir) {
  const auto position = ReadPosition(dir);
  DecisionSettings settings;
  settings.seed = kGoldenSeed;
  settings.checks = kGoldenChecks;
  settings.dataDir = dir;
  return Decide(*position, settings);
}

bool SameMove(const Decision& decision, const Json& expected) {
  return Json::array({decision.x, decision.y}) == expected["move"] &&
         decision.depth == expected["depth"] && decision.timeChecks == expected["timeChecks"];
}

TEST(GoldenBook, ConsultationFindsTheGoldenAnswers) {
  const auto folders = GoldenFolders();
  ASSERT_FALSE(folders.empty()) << test::MissingGoldenData();
  int withAnswers = 0;
  for (const GoldenFolder& folder : folders) {
    const Json answers = AnswersJson(ConsultedAnswers(folder.dir));
    EXPECT_EQ(answers, folder.expected["book"]) << folder.dir;
    withAnswers += !answers.empty();
  }
  EXPECT_GE(withAnswers, 7);
}

// The move, depth and time checks also depend on the whole move selection;
// once the positions without a book decide as the golden data says, the
// ones with a book must too, or the consultation is at fault.
TEST(GoldenBook, DecisionsWithABookMatchOnceTheSelectionDoes) {
  const auto folders = GoldenFolders();
  ASSERT_FALSE(folders.empty()) << test::MissingGoldenData();
  std::vector<std::pair<const GoldenFolder*, Decision>> withBook;
  int withoutBookMismatches = 0;
  for (const GoldenFolder& folder : folders) {
    Decision decision = GoldenDecision(folder.dir);
    if (folder.hasBook) {
      withBook.emplace_back(&folder, std::move(decision));
    } else {
      withoutBookMismatches += !SameMove(decision, folder.expected);
    }
  }
  ASSERT_EQ(withoutBookMismatches, 0)
      << "positions without a book decide differently: the move selection is at fault";
  for (const auto& [folder, decision] : withBook) {
    EXPECT_TRUE(SameMove(decision, folder->expected))
        << folder->dir << ": move " << decision.x << "," << decision.y << " depth "
        << decision.depth << " checks " << decision.timeChecks << ", expected "
        << folder->expected["move"] << " depth " << folder->expected["depth"] << " checks "
        << folder->expected["timeChecks"];
    EXPECT_EQ(AnswersJson(decision.trace.book), folder->expected["book"]) << folder->dir;
  }
}

}  // namespace
}  // namespace pentad::classic
