#include "match/process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace pentad::match {
namespace {

constexpr size_t kMaxLineLength = 64 * 1024;
constexpr std::chrono::seconds kReapLimit{5};

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<int64_t>(ms, INT_MAX));
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGABRT:
      return "SIGABRT";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    case SIGKILL:
      return "SIGKILL";
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return nullptr;
  }
}

ExitStatus FromWaitStatus(int status) {
  ExitStatus result;
  if (WIFEXITED(status)) {
    result.exited = true;
    result.code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// A runner killed by SIGKILL cannot kill the engines' groups, so each
// engine is told to follow it. The signal comes when the thread that forked
// ends, not only the process: fine, as a game's thread reaps its engines
// before it ends. The parent may have died before the request took hold;
// then the child has been adopted already.
void DieWithRunner(pid_t runner) {
#ifdef __linux__
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
  if (getppid() != runner) _exit(127);
}

// Only async-signal-safe calls between fork and exec: the runner has
// threads, and the child holds a copy of whatever locks they held.
[[noreturn]] void ExecChild(char* const* argv, const char* cwd, int stdinFd, int stdoutFd,
                            int errorPipe, pid_t runner) {
  DieWithRunner(runner);
  setpgid(0, 0);
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    sigaction(signal, &byDefault, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  int failure = 0;
  if (cwd != nullptr && chdir(cwd) != 0) failure = errno;
  const int devNull = open("/dev/null", O_RDWR);
  if (failure == 0) {
    if (dup2(stdinFd >= 0 ? stdinFd : devNull, 0) < 0 ||
        dup2(stdoutFd >= 0 ? stdoutFd : devNull, 1) < 0 || dup2(devNull, 2) < 0)
      failure = errno;
  }
  if (failure == 0) {
    execv(argv[0], argv);
    failure = errno;
  }
  const ssize_t written = write(errorPipe, &failure, sizeof failure);
  (void)written;
  _exit(127);
}

}  // namespace

std::string ExitStatus::Describe() const {
  if (exited) return "exited with status " + std::to_string(code);
  std::string text = "crashed (signal " + std::to_string(signal);
  if (const char* name = SignalName(signal)) text += std::string(", ") + name;
  return text + ")";
}

std::unique_ptr<ChildProcess> ChildProcess::Spawn(const SpawnOptions& options, std::string* error) {
  if (options.argv.empty()) {
    if (error) *error = "no command";
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& arg : options.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string cwd = options.cwd.string();

  int toChild[2] = {-1, -1};
  int fromChild[2] = {-1, -1};
  int errorPipe[2] = {-1, -1};
  const auto closeAll = [&] {
    for (int* pair : {toChild, fromChild, errorPipe}) {
      CloseIfOpen(pair[0]);
      CloseIfOpen(pair[1]);
    }
  };
  if (pipe2(errorPipe, O_CLOEXEC) != 0 ||
      (options.pipes && (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0))) {
    if (error) *error = std::string("cannot create pipes: ") + std::strerror(errno);
    closeAll();
    return nullptr;
  }
  const pid_t runner = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    if (error) *error = std::string("cannot fork: ") + std::strerror(errno);
    closeAll();
    return nullptr;
  }
  if (pid == 0)
    ExecChild(argv.data(), cwd.empty() ? nullptr : cwd.c_str(), toChild[0], fromChild[1],
              errorPipe[1], runner);
  setpgid(pid, pid);  // also here, so that a kill right away reaches the group

  std::unique_ptr<ChildProcess> child(new ChildProcess);
  child->pid_ = pid;
  child->input_ = toChild[1];
  child->output_ = fromChild[0];
  toChild[1] = fromChild[0] = -1;
  CloseIfOpen(toChild[0]);
  CloseIfOpen(fromChild[1]);
  CloseIfOpen(errorPipe[1]);

  int failure = 0;
  ssize_t got;
  do {
    got = read(errorPipe[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  CloseIfOpen(errorPipe[0]);
  if (got == static_cast<ssize_t>(sizeof failure)) {
    child->Kill();
    if (error) *error = "cannot run " + options.argv[0] + ": " + std::strerror(failure);
    return nullptr;
  }
  for (int fd : {child->input_, child->output_})
    if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return child;
}

ChildProcess::~ChildProcess() {
  CloseIfOpen(input_);
  CloseIfOpen(output_);
  Kill();
}

bool ChildProcess::Write(std::string_view text, Clock::time_point deadline) {
  while (!text.empty()) {
    if (input_ < 0) return false;
    const ssize_t written = write(input_, text.data(), text.size());
    if (written > 0) {
      text.remove_prefix(static_cast<size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const int wait = MillisecondsUntil(deadline);
    if (wait == 0) return false;
    pollfd fd{input_, POLLOUT, 0};
    if (poll(&fd, 1, wait) < 0 && errno != EINTR) return false;
  }
  return true;
}

void ChildProcess::CloseInput() {
  CloseIfOpen(input_);
}

ReadResult ChildProcess::ReadLine(std::string& line, Clock::time_point deadline,
                                  const Cancellation& cancel) {
  for (;;) {
    const size_t end = buffer_.find('\n');
    if (end != std::string::npos || buffer_.size() >= kMaxLineLength ||
        (outputClosed_ && !buffer_.empty())) {
      const size_t length = std::min(end, buffer_.size());
      line = buffer_.substr(0, length);
      buffer_.erase(0, std::min(length + 1, buffer_.size()));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return ReadResult::kLine;
    }
    if (outputClosed_ || output_ < 0) return ReadResult::kClosed;
    if (cancel.Cancelled()) return ReadResult::kCancelled;
    const int wait = MillisecondsUntil(deadline);
    if (wait == 0) return ReadResult::kTimeout;
    pollfd fds[2] = {{output_, POLLIN, 0}, {cancel.Fd(), POLLIN, 0}};
    const int ready = poll(fds, cancel.Fd() >= 0 ? 2 : 1, wait);
    if (ready < 0 && errno != EINTR) return ReadResult::kClosed;
    if (ready <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    char chunk[4096];
    const ssize_t got = read(output_, chunk, sizeof chunk);
    if (got > 0) {
      buffer_.append(chunk, static_cast<size_t>(got));
    } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      outputClosed_ = true;
    }
  }
}

std::optional<ExitStatus> ChildProcess::TryReap() {
  if (status_) return status_;
  siginfo_t info{};
  if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    if (errno != ECHILD) return std::nullopt;
    status_ = ExitStatus{true, 0, 0};  // reaped behind our back: gone, status unknown
    return status_;
  }
  if (info.si_pid == 0) return std::nullopt;
  // Ended but not yet reaped, so its id still names the group: kill what
  // it left running before the id can be reused.
  kill(-pid_, SIGKILL);
  int raw = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid_, &raw, 0);
  } while (reaped < 0 && errno == EINTR);
  status_ = FromWaitStatus(raw);
  ReapGroupMembers(Clock::now() + kReapLimit);
  return status_;
}

void ChildProcess::ReapGroupMembers(Clock::time_point deadline) {
  for (;;) {
    int raw = 0;
    const pid_t reaped = waitpid(-pid_, &raw, WNOHANG);
    if (reaped > 0) continue;
    if (reaped < 0 && errno == EINTR) continue;
    if (reaped < 0 || Clock::now() >= deadline) return;  // ECHILD: none of ours left
    usleep(1000);
  }
}

std::optional<ExitStatus> ChildProcess::WaitExit(Clock::time_point deadline,
                                                 const Cancellation* cancel) {
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    if (auto status = TryReap()) return status;
    const int left = MillisecondsUntil(deadline);
    if (left == 0) return std::nullopt;
    if (cancel != nullptr && cancel->Cancelled()) return std::nullopt;
    const auto step = std::min<std::chrono::microseconds>(pause, std::chrono::milliseconds(left));
    if (cancel != nullptr && cancel->Fd() >= 0) {
      pollfd fd{cancel->Fd(), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(std::max<int64_t>(1, step.count() / 1000)));
    } else {
      usleep(static_cast<useconds_t>(step.count()));
    }
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(10));
  }
}

ExitStatus ChildProcess::Kill() {
  if (status_) return *status_;
  if (pid_ <= 0) return {};
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  if (auto status = WaitExit(Clock::now() + kReapLimit, nullptr)) return *status;
  return {};
}

void AdoptOrphanedDescendants() {
#ifdef __linux__
  prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
}

}  // namespace pentad::match
