#include "classic/threats/time_budget.hpp"

#include <gtest/gtest.h>

namespace pentad::classic {
namespace {

using namespace std::chrono_literals;

TEST(TimeBudget, ClockIsReadOnlyEveryThousandthCall) {
  TimeBudget budget;
  budget.Start(TimeBudget::Clock::now() - 10s);
  for (int call = 1; call < 1000; ++call) ASSERT_FALSE(budget.TimeUp()) << call;
  EXPECT_TRUE(budget.TimeUp());
  EXPECT_EQ(budget.Checks(), 1000);
}

TEST(TimeBudget, SpentFlagStaysAndStopsCounting) {
  TimeBudget budget;
  budget.Start(TimeBudget::Clock::now() - 10s);
  while (!budget.TimeUp()) {
  }
  const int64_t checks = budget.Checks();
  for (int i = 0; i < 5000; ++i) EXPECT_TRUE(budget.TimeUp());
  EXPECT_EQ(budget.Checks(), checks);
}

TEST(TimeBudget, WithinTheBudgetTheThousandthCallPasses) {
  TimeBudget budget;
  budget.Start(TimeBudget::Clock::now() - 4400ms);
  for (int call = 1; call <= 1000; ++call) ASSERT_FALSE(budget.TimeUp());
}

TEST(TimeBudget, FlagSetByTheDriverAnswersAtOnce) {
  TimeBudget budget;
  budget.SetTimeUp();
  EXPECT_TRUE(budget.TimeUp());
  EXPECT_EQ(budget.Checks(), 0);
}

TEST(TimeBudget, CheckBudgetAnswersFalseExactlyNTimes) {
  for (int64_t n : {0, 1, 7, 1000, 2500}) {
    TimeBudget budget;
    budget.Start(TimeBudget::Clock::now() - 100s);  // the clock is never read
    budget.LimitChecks(n);
    int64_t falses = 0;
    while (!budget.TimeUp()) ++falses;
    EXPECT_EQ(falses, n);
    EXPECT_EQ(budget.Checks(), n + 1);
    EXPECT_TRUE(budget.TimeUp());
    EXPECT_EQ(budget.Checks(), n + 1);
  }
}

TEST(TimeBudget, StopSignalIsNoticedAtTheNextClockRead) {
  std::atomic<bool> stop{false};
  TimeBudget budget;
  budget.WatchStopSignal(&stop);
  for (int i = 0; i < 1500; ++i) ASSERT_FALSE(budget.TimeUp());
  stop = true;
  int calls = 0;
  while (!budget.TimeUp()) ++calls;
  EXPECT_LT(calls, 1000);
  EXPECT_EQ(budget.Checks() % 1000, 0);
}

}  // namespace
}  // namespace pentad::classic
