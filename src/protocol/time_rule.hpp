// How long one move may think, from the limits the manager announces.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace pentad::protocol {

struct TimeLimits {
  std::optional<int64_t> timeoutTurn;   // ms per move; 0 = as fast as possible
  std::optional<int64_t> timeoutMatch;  // ms per game; 0 = unlimited
  std::optional<int64_t> timeLeft;      // ms left in the game; may be negative
};

// Managers send this for "no limit".
inline constexpr int64_t kUnlimitedMs = 2147483647;

// Without any limit the brain thinks as long as a turn does.
inline constexpr std::chrono::milliseconds kDefaultBudget{4500};
// "As fast as possible": the search ends at its first clock read.
inline constexpr std::chrono::milliseconds kFastestBudget{1};
// Kept back from every limit: the search notices its budget only at its next
// clock read, and the answer still has to reach the manager.
inline constexpr std::chrono::milliseconds kSafetyMargin{60};
// Of the time left in the game, one move takes at most this fraction.
inline constexpr int kMovesPerTimeLeft = 20;

std::chrono::microseconds MoveBudget(const TimeLimits& limits);

}  // namespace pentad::protocol
