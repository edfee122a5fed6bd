#include "match/cancel.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace pentad::match {
namespace {

std::atomic<Cancellation*> gSignalTarget{nullptr};
constexpr std::array<int, 5> kGuardedSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD};

std::array<struct sigaction, kGuardedSignals.size()> gPreviousActions;

extern "C" void CancelOnSignal(int signal) {
  if (Cancellation* target = gSignalTarget.load()) target->Cancel(signal);
}

using Handler = void (*)(int);

Handler HandlerFor(int signal) {
  if (signal == SIGPIPE) return SIG_IGN;
  if (signal == SIGCHLD) return SIG_DFL;
  return CancelOnSignal;
}

}  // namespace

Cancellation::Cancellation() {
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
}

Cancellation::~Cancellation() {
  for (int fd : fds_)
    if (fd >= 0) close(fd);
}

void Cancellation::Cancel(int signal) noexcept {
  if (cancelled_.exchange(true)) return;
  signal_.store(signal);
  const char byte = 1;
  if (fds_[1] >= 0) {
    const ssize_t written = write(fds_[1], &byte, 1);
    (void)written;
  }
}

SignalGuard::SignalGuard(Cancellation& target) {
  gSignalTarget.store(&target);
  for (size_t i = 0; i < kGuardedSignals.size(); ++i) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = HandlerFor(kGuardedSignals[i]);
    action.sa_flags = SA_RESTART;
    sigaction(kGuardedSignals[i], &action, &gPreviousActions[i]);
  }
}

SignalGuard::~SignalGuard() {
  for (size_t i = 0; i < kGuardedSignals.size(); ++i)
    sigaction(kGuardedSignals[i], &gPreviousActions[i], nullptr);
  gSignalTarget.store(nullptr);
}

}  // namespace pentad::match
