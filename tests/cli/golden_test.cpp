// The recorded decisions: `pentad analyze` on every golden folder must give
// the recorded output field by field (the wall time aside).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "test_support.hpp"

namespace pentad {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Folder names; without data one name that fails with a clear message.
std::vector<std::string> GoldenNames() {
  std::vector<std::string> names;
  for (const fs::path& folder : test::GoldenFolders()) names.push_back(folder.filename().string());
  if (names.empty()) names.push_back("missing");
  return names;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, AnalyzeGivesTheRecordedDecision) {
  const fs::path folder = fs::path(PENTAD_GOLDEN_DIR) / "positions" / GetParam();
  ASSERT_TRUE(fs::is_regular_file(folder / "expected.json")) << test::MissingGoldenData();
  const json expected = json::parse(std::ifstream(folder / "expected.json"));
  const auto result =
      test::RunCommand(std::string(PENTAD_EXE) + " analyze " + test::Quote(folder) +
                       " --engine classic --seed 1 --checks 1000 --cells --threats");
  ASSERT_EQ(result.status, 0);
  const json actual = json::parse(result.output);
  // Evaluation first: a difference there explains every later one.
  for (const char* field : {"stones", "side", "seed", "checks", "cells", "threats", "candidates",
                            "book", "move", "depth", "timeChecks"}) {
    EXPECT_EQ(actual.at(field), expected.at(field)) << field;
  }
}

INSTANTIATE_TEST_SUITE_P(Recorded, Golden, ::testing::ValuesIn(GoldenNames()),
                         [](const auto& info) { return info.param; });

TEST(Analyze, MissingSideFileIsAnErrorWithStatusOne) {
  test::TempDir dir;
  const auto result =
      test::RunCommand(std::string(PENTAD_EXE) + " analyze " + test::Quote(dir.path()));
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(json::parse(result.output).contains("error"));
}

// A folder name is bytes, not necessarily UTF-8; the output is JSON all the
// same, as an error or as the decision.
TEST(Analyze, AnswersJsonInAFolderWhoseNameIsNotUtf8) {
  test::TempDir parent;
  const fs::path dir = parent.path() / "bad\xC0name";
  fs::create_directory(dir);
  const std::string command = std::string(PENTAD_EXE) + " analyze " + test::Quote(dir) +
                              " --engine classic --seed 1 --checks 10";
  const auto missing = test::RunCommand(command);
  EXPECT_EQ(missing.status, 1);
  const json error = json::parse(missing.output, nullptr, false);
  EXPECT_TRUE(!error.is_discarded() && error.contains("error")) << missing.output;

  std::ofstream(dir / "Tah.dat") << "x";
  const auto found = test::RunCommand(command);
  EXPECT_EQ(found.status, 0);
  const json decision = json::parse(found.output, nullptr, false);
  EXPECT_TRUE(!decision.is_discarded() && decision["move"] == json::array({9, 9})) << found.output;
}

TEST(Analyze, NeverWritesTheSideFile) {
  test::TempDir dir;
  dir.Write("Plocha.dat", "");
  dir.Write("Tah.dat", "x");
  const auto result =
      test::RunCommand(std::string(PENTAD_EXE) + " analyze " + test::Quote(dir.path()) +
                       " --engine classic --seed 3 --checks 10");
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(dir.Read("Tah.dat"), "x");
  const json out = json::parse(result.output);
  EXPECT_EQ(out["move"], json::array({9, 9}));
  EXPECT_EQ(out["stage"], "first-move");
  EXPECT_EQ(out["candidates"], json::array());
}

TEST(Analyze, CellsDoNotChangeTheDecision) {
  const fs::path folder = fs::path(PENTAD_GOLDEN_DIR) / "positions" / "pos0000";
  ASSERT_TRUE(fs::is_directory(folder)) << test::MissingGoldenData();
  const std::string base = std::string(PENTAD_EXE) + " analyze " + test::Quote(folder) +
                           " --engine classic --seed 9 --checks 500";
  const json plain = json::parse(test::RunCommand(base).output);
  const json withCells = json::parse(test::RunCommand(base + " --cells").output);
  for (const char* field : {"move", "depth", "timeChecks", "candidates", "stage", "line"})
    EXPECT_EQ(plain.at(field), withCells.at(field)) << field;
  EXPECT_FALSE(plain.contains("cells"));
  EXPECT_EQ(withCells.at("cells").size(), 400u);
}

// x to move with a four closed at one end: only (9, 10) wins, at once. The
// strong engine, the default, reports its search the same every time with
// --nodes.
TEST(Analyze, StrongEngineReportsItsSearchTheSameEveryTime) {
  test::TempDir dir;
  std::vector<std::string> rows(20, std::string(20, '-'));
  rows[10].replace(4, 5, "oxxxx");
  rows[12].replace(6, 3, "ooo");
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  dir.Write("Plocha.dat", text);
  dir.Write("Tah.dat", "x");
  const std::string command =
      std::string(PENTAD_EXE) + " analyze " + test::Quote(dir.path()) + " --nodes 5000";
  json answers[2];
  for (json& answer : answers) {
    const auto result = test::RunCommand(command);
    ASSERT_EQ(result.status, 0) << result.output;
    answer = json::parse(result.output);
    for (const char* field : {"engine", "stones", "side", "moveTimeMs", "nodeLimit", "move", "eval",
                              "result", "depth", "nodes", "pv", "elapsedMs"})
      EXPECT_TRUE(answer.contains(field)) << field;
    answer.erase("elapsedMs");
  }
  EXPECT_EQ(answers[0], answers[1]);
  const json& answer = answers[0];
  EXPECT_EQ(answer["engine"], "strong");
  EXPECT_EQ(answer["nodeLimit"], 5000);
  EXPECT_EQ(answer["moveTimeMs"], nullptr);
  EXPECT_EQ(answer["move"], json::array({9, 10}));
  EXPECT_EQ(answer["result"], json({{"win", 1}}));
  ASSERT_FALSE(answer["pv"].empty());
  EXPECT_EQ(answer["pv"][0], answer["move"]);
}

struct UsageCase {
  const char* name;
  const char* arguments;
  int status;
};

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, ExitStatus) {
  const auto result =
      test::RunCommand(std::string(PENTAD_EXE) + " " + GetParam().arguments + " >/dev/null 2>&1");
  EXPECT_EQ(result.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Analyze, Usage,
    ::testing::Values(UsageCase{"Help", "--help", 0}, UsageCase{"Version", "--version", 0},
                      UsageCase{"AnalyzeHelp", "analyze --help", 0},
                      UsageCase{"UnknownOption", "analyze --bogus", 2},
                      UsageCase{"UnknownCommand", "frobnicate", 2},
                      UsageCase{"SeedOutOfRange", "analyze --seed 4294967296", 2},
                      UsageCase{"NegativeChecks", "analyze --checks -1", 2},
                      UsageCase{"UnknownEngine", "analyze --engine deep", 2},
                      UsageCase{"NodesForClassic", "analyze --engine classic --nodes 100", 2},
                      UsageCase{"SeedForTheDefault", "analyze --seed 1", 2},
                      UsageCase{"CellsForTheDefault", "analyze --cells", 2},
                      UsageCase{"ChecksForStrong", "analyze --engine strong --checks 100", 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pentad
