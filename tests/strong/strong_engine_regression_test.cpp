#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "strong/engine_support.hpp"
#include "strong/strong_engine.hpp"
#include "strong/tactics.hpp"
#include "strong/vcf.hpp"
#include "strong/vct.hpp"

namespace pentad::strong {
namespace {

using test::NodeLimits;

// Every answer below is fixed by the budget, from cleared tables.
constexpr int64_t kRegressionNodes = 100000;

// The sanitizers watch the searches' memory, not their strength, and run
// them ten times slower: every third labelled position is enough there.
#ifdef PENTAD_SANITIZED
constexpr size_t kLabelledStride = 3;
#else
constexpr size_t kLabelledStride = 1;
#endif

struct LabelledSet {
  const char* dir;
  std::vector<std::string> names;
};

// The labelled positions the engine solves at kRegressionNodes today:
// each must keep its labelled move. Raise the lists as the engine gets
// stronger; a name that drops out is a regression.
const LabelledSet kSolvedWins[] = {
    {test::kTacticsDir,
     {"0001", "0004", "0005", "0006", "0008", "0011", "0013", "0017", "0019", "0021",
      "0023", "0024", "0025", "0026", "0027", "0028", "0029", "0030", "0032", "0033",
      "0035", "0036", "0037", "0038", "0039", "0040", "0041", "0043"}},
    {test::kOwnTacticsDir,
     {"0001", "0002", "0003", "0004", "0005", "0006", "0008", "0009", "0010",
      "0011", "0012", "0013", "0014", "0015", "0016", "0017", "0019", "0020",
      "0021", "0022", "0023", "0024", "0026", "0027", "0028", "0029", "0030",
      "0032", "0033", "0034", "0035", "0037", "0038", "0039", "0040", "0042"}},
};
const LabelledSet kHeldDefences[] = {
    {test::kTacticsDir,
     {"0002", "0009", "0010", "0012", "0014", "0015", "0018", "0042", "0046", "0047", "0048"}},
    {test::kOwnTacticsDir, {"0025", "0031", "0041"}},
};

void ExpectLabelledMoves(std::span<const LabelledSet> sets, const std::string& kind) {
  StrongEngine engine(size_t{8} << 20);
  for (const LabelledSet& set : sets) {
    for (size_t i = 0; i < set.names.size(); i += kLabelledStride) {
      const std::string& name = set.names[i];
      const test::Tactic tactic = test::LoadTactic(set.dir, name);
      ASSERT_EQ(tactic.kind, kind) << set.dir << "/" << name;
      const SearchOutcome outcome = engine.Think(tactic.board, NodeLimits(kRegressionNodes));
      EXPECT_TRUE(tactic.Labels(outcome.move)) << set.dir << "/" << name << " played "
                                               << CellX(outcome.move) << "," << CellY(outcome.move);
    }
  }
}

TEST(StrongEngineRegressionTest, PlaysAWinningMoveInEverySolvedWin) {
  ExpectLabelledMoves(kSolvedWins, "win");
}

TEST(StrongEngineRegressionTest, PlaysAHoldingMoveInEveryHeldDefence) {
  ExpectLabelledMoves(kHeldDefences, "defend");
}

// Held to one ply, the alpha-beta cannot see the opponent's win by threats
// that only the labelled moves stop: the root's checks of each move
// against it must drop the one-ply favourite, after which the opponent
// provably wins.
TEST(StrongEngineRegressionTest, DropsTheRootMoveAfterWhichTheOpponentWinsByThreats) {
  const test::Tactic tactic = test::LoadTactic(test::kTacticsDir, "0010");
  const int favourite = CellAt(13, 4);
  SearchBoard after = tactic.board;
  after.Make(favourite);
  VcfSearch vcf;
  VctSearch vct;
  ASSERT_EQ(vcf.Search(after, VcfLimits{}).outcome, VcfOutcome::kNoWin);
  ASSERT_EQ(vct.Search(after, VctLimits{.maxNodes = 200000}).outcome, VctOutcome::kWin);

  SearchLimits onePly = NodeLimits(kRegressionNodes);
  onePly.maxDepth = 1;
  StrongEngine engine(size_t{8} << 20);
  const SearchOutcome outcome = engine.Think(tactic.board, onePly);
  EXPECT_NE(outcome.move, favourite);
  EXPECT_TRUE(tactic.Labels(outcome.move)) << CellX(outcome.move) << "," << CellY(outcome.move);
}

// Resized tables start as new ones: the same search as an engine made at
// that size, whatever size came before. At this budget the two sizes
// differ in the nodes searched.
TEST(StrongEngineRegressionTest, ResizedTablesSearchAsNewOnesOfThatSize) {
  const test::Tactic tactic = test::LoadTactic(test::kTacticsDir, "0002");
  constexpr int64_t kNodes = 20000;
  constexpr size_t kSmall = size_t{64} << 10;
  constexpr size_t kLarge = size_t{32} << 20;
  for (const auto& [before, after] : {std::pair{kLarge, kSmall}, std::pair{kSmall, kLarge}}) {
    StrongEngine fresh(after);
    const SearchOutcome expected = fresh.Think(tactic.board, NodeLimits(kNodes));
    StrongEngine resized(before);
    resized.Think(tactic.board, NodeLimits(kNodes));
    resized.SetHashBytes(after);
    resized.Clear();
    const SearchOutcome outcome = resized.Think(tactic.board, NodeLimits(kNodes));
    EXPECT_EQ(outcome.move, expected.move) << after;
    EXPECT_EQ(outcome.score, expected.score) << after;
    EXPECT_EQ(outcome.nodes, expected.nodes) << after;
    EXPECT_EQ(outcome.pv, expected.pv) << after;
  }
}

}  // namespace
}  // namespace pentad::strong
