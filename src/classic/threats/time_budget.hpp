// The move's time budget: a cooperative check that long loops call often.
// It lives with the threat searches, its most frequent callers.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

namespace pentad::classic {

class TimeBudget {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr std::chrono::milliseconds kTurnBudget{4500};

  TimeBudget() : start_(Clock::now()) {}

  // Starts the clock at `start` with `budget`; the turn passes its own
  // process start so that reading the files counts against the budget.
  void Start(Clock::time_point start, std::chrono::microseconds budget = kTurnBudget) {
    start_ = start;
    budget_ = budget;
  }

  // Replaces the clock by a budget of `checks` calls: exactly that many calls
  // answer false. Used for reproducible decisions.
  void LimitChecks(int64_t checks) { checkLimit_ = checks; }

  // An outside request to stop (a manager's stop command), noticed whenever
  // the clock is read.
  void WatchStopSignal(const std::atomic<bool>* stop) { stopSignal_ = stop; }

  bool TimeUp() {
    if (timeUp_) return true;
    ++counter_;
    if (checkLimit_) {
      if (counter_ > *checkLimit_ || StopRequested()) timeUp_ = true;
      return timeUp_;
    }
    if (counter_ % 1000 == 0) {
      if (StopRequested() || Clock::now() - start_ > budget_) timeUp_ = true;
    }
    return timeUp_;
  }

  // The defensive pass ends itself early by raising the flag.
  void SetTimeUp() { timeUp_ = true; }

  // For work outside the searches that must leave them most of the move:
  // true once a stop was requested or, on the clock, once more than
  // 1/`divisor` of the budget has passed. A check budget never runs out
  // here, so reproducible decisions stay reproducible.
  bool PastShareOfBudget(int divisor) const {
    if (StopRequested()) return true;
    return !checkLimit_ && (Clock::now() - start_) * divisor > budget_;
  }

  int64_t Checks() const { return counter_; }
  int64_t ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

 private:
  bool StopRequested() const {
    return stopSignal_ != nullptr && stopSignal_->load(std::memory_order_relaxed);
  }

  Clock::time_point start_;
  std::chrono::microseconds budget_ = kTurnBudget;
  bool timeUp_ = false;
  int64_t counter_ = 0;
  std::optional<int64_t> checkLimit_;
  const std::atomic<bool>* stopSignal_ = nullptr;
};

}  // namespace pentad::classic
