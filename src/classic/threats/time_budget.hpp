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
  // answer false. Used for reproducible decisions. With `keepClock` the
  // budget of time still ends the decision should it come first, so that a
  // budget of checks never outlives a move's time; the answer is the same as
  // without it whenever the time is enough.
  void LimitChecks(int64_t checks, bool keepClock = false) {
    checkLimit_ = checks;
    keepClock_ = keepClock;
  }

  // An outside request to stop (a manager's stop command), noticed whenever
  // the clock is read.
  void WatchStopSignal(const std::atomic<bool>* stop) { stopSignal_ = stop; }

  bool TimeUp() {
    if (timeUp_) return true;
    ++counter_;
    if (checkLimit_) {
      if (counter_ > *checkLimit_ || StopRequested() ||
          (keepClock_ && counter_ % kChecksPerClockRead == 0 && PastBudget()))
        timeUp_ = true;
      return timeUp_;
    }
    if (counter_ % kChecksPerClockRead == 0 && (StopRequested() || PastBudget())) timeUp_ = true;
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
  // The clock is read every so many checks only: reading it costs more than
  // most of the work between two checks.
  static constexpr int64_t kChecksPerClockRead = 1000;

  bool PastBudget() const { return Clock::now() - start_ > budget_; }

  bool StopRequested() const {
    return stopSignal_ != nullptr && stopSignal_->load(std::memory_order_relaxed);
  }

  Clock::time_point start_;
  std::chrono::microseconds budget_ = kTurnBudget;
  bool timeUp_ = false;
  int64_t counter_ = 0;
  std::optional<int64_t> checkLimit_;
  bool keepClock_ = false;
  const std::atomic<bool>* stopSignal_ = nullptr;
};

}  // namespace pentad::classic
