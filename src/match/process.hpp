// Engines as child processes: each in a process group of its own, so that
// killing it kills whatever it started; every wait bounded by a deadline
// and by the runner's cancellation; every child reaped.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "match/cancel.hpp"

namespace pentad::match {

using Clock = std::chrono::steady_clock;

struct ExitStatus {
  bool exited = false;  // ended by exit(); else by `signal`
  int code = 0;
  int signal = 0;

  bool Success() const { return exited && code == 0; }
  // "exited with status 3", "crashed (signal 11, SIGSEGV)".
  std::string Describe() const;
};

struct SpawnOptions {
  std::vector<std::string> argv;  // argv[0] is the executable's path
  std::filesystem::path cwd;      // empty: the runner's
  bool pipes = false;             // stdin and stdout to the runner, else /dev/null
};

enum class ReadResult { kLine, kTimeout, kClosed, kCancelled };

class ChildProcess {
 public:
  // nullptr, and `error` says why, when the executable cannot be started.
  static std::unique_ptr<ChildProcess> Spawn(const SpawnOptions& options, std::string* error);

  ~ChildProcess();  // kills the group and reaps
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // Writes the whole text before `deadline`; false when the child stopped
  // reading (closed its input or ended) or the deadline passed.
  bool Write(std::string_view text, Clock::time_point deadline);
  void CloseInput();

  // One line of the child's output without its line end.
  ReadResult ReadLine(std::string& line, Clock::time_point deadline, const Cancellation& cancel);

  // The exit status once the child has ended, nullopt when `deadline` passed
  // or `cancel` (optional) was set first. Members of its group still alive
  // after it ended are killed.
  std::optional<ExitStatus> WaitExit(Clock::time_point deadline, const Cancellation* cancel);

  // SIGKILL to the whole group; waits (bounded) and reaps.
  ExitStatus Kill();

  const std::optional<ExitStatus>& Status() const { return status_; }

 private:
  ChildProcess() = default;
  std::optional<ExitStatus> TryReap();
  void ReapGroupMembers(Clock::time_point deadline);

  pid_t pid_ = -1;
  int input_ = -1;   // the child's stdin, our write end
  int output_ = -1;  // the child's stdout, our read end
  bool outputClosed_ = false;
  std::string buffer_;
  std::optional<ExitStatus> status_;
};

// Orphans of the engines (children whose parent died first) become the
// runner's children, so that the runner reaps them too. Linux only; a no-op
// elsewhere.
void AdoptOrphanedDescendants();

}  // namespace pentad::match
