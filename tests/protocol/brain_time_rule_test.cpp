// How the brain turns the manager's time limits into one move's budget.
#include <gtest/gtest.h>

#include "protocol/time_rule.hpp"

namespace pentad::protocol {
namespace {

using std::chrono::milliseconds;

struct BudgetCase {
  const char* name;
  TimeLimits limits;
  milliseconds expected;
};

TEST(BrainTimeRule, FollowsTheManagersLimitsWithAMargin) {
  const BudgetCase cases[] = {
      {"no limits: a turn's budget", {}, milliseconds(4500)},
      {"timeout_turn 1000", {1000, {}, {}}, milliseconds(1000 - 60 - 100)},
      {"timeout_turn 30000", {30000, {}, {}}, milliseconds(30000 - 60 - 3000)},
      {"timeout_turn 0: as fast as possible", {0, {}, {}}, milliseconds(1)},
      {"timeout_turn below the margin", {50, {}, {}}, milliseconds(1)},
      {"timeout_turn unlimited", {kUnlimitedMs, {}, {}}, milliseconds(4500)},
      {"a share of time_left", {{}, 180000, 100000}, milliseconds(5000 - 60 - 500)},
      {"the smaller of turn and share", {1000, 180000, 100000}, milliseconds(840)},
      {"share below the turn limit", {30000, 180000, 20000}, milliseconds(1000 - 60 - 100)},
      {"time_left unlimited", {1000, 0, kUnlimitedMs}, milliseconds(840)},
      {"timeout_match 0 ignores time_left", {1000, 0, 100}, milliseconds(840)},
      {"time_left without timeout_match", {{}, {}, 20000}, milliseconds(1000 - 60 - 100)},
      {"time_left negative", {1000, 180000, -300}, milliseconds(1)},
      {"time_left almost gone", {1000, 180000, 900}, milliseconds(1)},
  };
  for (const BudgetCase& c : cases) EXPECT_EQ(MoveBudget(c.limits), c.expected) << c.name;
}

}  // namespace
}  // namespace pentad::protocol
