#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "strong/engine_support.hpp"
#include "strong/strong_engine.hpp"
#include "strong/tactics.hpp"

namespace pentad::strong {
namespace {

using namespace std::chrono_literals;

// A budget no search reaches: only the stop or the clock can end it.
constexpr int64_t kEndlessNodes = 1'000'000'000'000;
// Far beyond what a stop or a deadline needs even in a sanitized build, and
// far below what the threat searches of these positions take without one.
constexpr auto kPromptly = 30s;
constexpr auto kHardTime = 300ms;

// Defences where the searches for wins by threats at the root, ours and
// the opponent's after each move, run for minutes on an endless budget.
constexpr const char* kBusyDefences[] = {"0003", "0048"};

::testing::AssertionResult IsLegalMove(const SearchBoard& board, int move) {
  if (move == kNoCell || !OnBoard(CellX(move), CellY(move))) {
    return ::testing::AssertionFailure() << "no move on the board";
  }
  if (board.Stone(move) != kEmpty) return ::testing::AssertionFailure() << "taken: " << move;
  return ::testing::AssertionSuccess();
}

TEST(StrongEngineLimitsTest, StopEndsANodeBudgetSearchInTheThreatSearches) {
  for (const char* name : kBusyDefences) {
    const SearchBoard board = test::LoadTactic(test::kTacticsDir, name).board;
    StrongEngine engine(size_t{16} << 20);
    std::atomic<bool> stop{false};
    SearchLimits limits = test::NodeLimits(kEndlessNodes);
    limits.stop = &stop;
    auto search = std::async(std::launch::async, [&] { return engine.Think(board, limits); });
    // Long enough for the search to be inside its threat searches.
    std::this_thread::sleep_for(100ms);
    stop = true;
    ASSERT_EQ(search.wait_for(kPromptly), std::future_status::ready) << name;
    const SearchOutcome outcome = search.get();
    EXPECT_TRUE(IsLegalMove(board, outcome.move)) << name;
    EXPECT_LT(outcome.nodes, kEndlessNodes) << name;
  }
}

TEST(StrongEngineLimitsTest, HardTimeEndsANodeBudgetSearchNotBefore) {
  const SearchBoard board = test::LoadTactic(test::kTacticsDir, kBusyDefences[0]).board;
  StrongEngine engine(size_t{16} << 20);
  SearchLimits limits = test::NodeLimits(kEndlessNodes);
  limits.hardTime = kHardTime;
  auto search = std::async(std::launch::async, [&] { return engine.Think(board, limits); });
  ASSERT_EQ(search.wait_for(kPromptly), std::future_status::ready);
  const SearchOutcome outcome = search.get();
  EXPECT_TRUE(IsLegalMove(board, outcome.move));
  EXPECT_GE(outcome.elapsedMs, std::chrono::milliseconds(kHardTime).count());
}

// Helper threads search beside the main one until it is done: a stop ends
// them all, and the search still answers with a legal move; their nodes
// count in the outcome.
TEST(StrongEngineLimitsTest, HelperThreadsEndWithTheMainSearch) {
  const SearchBoard board = test::LoadTactic(test::kTacticsDir, kBusyDefences[0]).board;
  StrongEngine engine(size_t{16} << 20, 2);
  ASSERT_EQ(engine.Threads(), 2);
  std::atomic<bool> stop{false};
  SearchLimits limits;
  limits.hardTime = kNoTimeLimit;
  limits.softTime = kNoTimeLimit;
  limits.stop = &stop;
  std::atomic<int64_t> reportedNodes{0};
  auto search = std::async(std::launch::async, [&] {
    return engine.Think(board, limits,
                        [&](const IterationReport& report) { reportedNodes = report.nodes; });
  });
  std::this_thread::sleep_for(300ms);
  stop = true;
  ASSERT_EQ(search.wait_for(kPromptly), std::future_status::ready);
  const SearchOutcome outcome = search.get();
  EXPECT_TRUE(IsLegalMove(board, outcome.move));
  EXPECT_GE(outcome.nodes, reportedNodes.load());
  engine.SetThreads(1);
  EXPECT_EQ(engine.Threads(), 1);
}

}  // namespace
}  // namespace pentad::strong
