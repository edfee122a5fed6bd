// A latched request to stop: set once, by a signal or by the code, and seen
// by every wait of the runner, which polls `Fd()` beside its own descriptors.
#pragma once

#include <atomic>

namespace pentad::match {

class Cancellation {
 public:
  Cancellation();
  ~Cancellation();
  Cancellation(const Cancellation&) = delete;
  Cancellation& operator=(const Cancellation&) = delete;

  // Async-signal-safe. `signal` is remembered for the exit status.
  void Cancel(int signal = 0) noexcept;
  bool Cancelled() const noexcept { return cancelled_.load(); }
  int Signal() const noexcept { return signal_.load(); }
  // Readable from the moment of the cancellation on.
  int Fd() const noexcept { return fds_[0]; }

 private:
  std::atomic<bool> cancelled_{false};
  std::atomic<int> signal_{0};
  int fds_[2] = {-1, -1};
};

// While alive, SIGINT, SIGTERM and SIGHUP cancel `target` instead of ending
// the process, SIGPIPE is ignored (a brain that died must not take the
// runner with it) and SIGCHLD has its default action (ignored, it would
// reap the engines before their exit status is read). The previous
// dispositions come back on destruction.
class SignalGuard {
 public:
  explicit SignalGuard(Cancellation& target);
  ~SignalGuard();
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;
};

}  // namespace pentad::match
