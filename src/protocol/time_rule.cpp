#include "protocol/time_rule.hpp"

#include <algorithm>

namespace pentad::protocol {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A limit less the margin, and a tenth more of a long limit, since the clock
// granularity grows with the work between two clock reads.
microseconds WithinLimit(int64_t limitMs) {
  const int64_t reserve = kSafetyMargin.count() + limitMs / 10;
  return std::max<microseconds>(milliseconds(limitMs - reserve), kFastestBudget);
}

std::optional<microseconds> TurnCap(const TimeLimits& limits) {
  if (!limits.timeoutTurn) return std::nullopt;
  if (*limits.timeoutTurn <= 0) return kFastestBudget;
  if (*limits.timeoutTurn >= kUnlimitedMs) return std::nullopt;
  return WithinLimit(*limits.timeoutTurn);
}

std::optional<microseconds> MatchCap(const TimeLimits& limits) {
  if (limits.timeoutMatch && *limits.timeoutMatch == 0) return std::nullopt;
  if (!limits.timeLeft || *limits.timeLeft >= kUnlimitedMs) return std::nullopt;
  if (*limits.timeLeft <= 0) return kFastestBudget;
  return WithinLimit(*limits.timeLeft / kMovesPerTimeLeft);
}

}  // namespace

microseconds MoveBudget(const TimeLimits& limits) {
  const auto turn = TurnCap(limits);
  const auto match = MatchCap(limits);
  if (!turn && !match) return kDefaultBudget;
  if (!turn) return *match;
  if (!match) return *turn;
  return std::min(*turn, *match);
}

}  // namespace pentad::protocol
