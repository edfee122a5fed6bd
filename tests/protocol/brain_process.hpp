// A real brain process on the far side of three pipes, driven the way a
// manager drives it: lines in, lines out, nothing expected on stderr.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace pentad::test {

class BrainProcess {
 public:
  using Clock = std::chrono::steady_clock;
  using Ms = std::chrono::milliseconds;

  explicit BrainProcess(std::vector<std::string> argv) {
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
      posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    toBrain_ = in[1];
    fromBrain_ = out[0];
    errors_ = err[0];
    signal(SIGPIPE, SIG_IGN);
  }

  ~BrainProcess() {
    CloseInput();
    if (pid_ > 0 && !exitStatus_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fromBrain_ >= 0) close(fromBrain_);
    if (errors_ >= 0) close(errors_);
  }

  BrainProcess(const BrainProcess&) = delete;
  BrainProcess& operator=(const BrainProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // Several lines may go at once: "A\nB\n".
  void Send(const std::string& text) {
    const std::string bytes = text.empty() || text.back() != '\n' ? text + "\n" : text;
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(toBrain_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }

  void CloseInput() {
    if (toBrain_ >= 0) close(toBrain_);
    toBrain_ = -1;
  }

  // The next line as sent, CR LF removed; nullopt on timeout or end of
  // output. A line not ended by CR LF is recorded in badLineEnds.
  std::optional<std::string> ReadLine(Ms timeout = Ms(10000)) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      const size_t lf = buffer_.find('\n');
      if (lf != std::string::npos) {
        std::string line = buffer_.substr(0, lf);
        buffer_.erase(0, lf + 1);
        if (line.empty() || line.back() != '\r')
          ++badLineEnds;
        else
          line.pop_back();
        return line;
      }
      if (!WaitReadable(fromBrain_, deadline)) return std::nullopt;
      char chunk[4096];
      const ssize_t n = read(fromBrain_, chunk, sizeof chunk);
      if (n <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  // The next line that is not MESSAGE, DEBUG or an analysis's INFO; those
  // are kept in messages.
  std::optional<std::string> ReadAnswer(Ms timeout = Ms(10000)) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now());
      auto line = ReadLine(std::max(left, Ms(0)));
      if (!line) return line;
      if (line->rfind("MESSAGE", 0) == 0 || line->rfind("DEBUG", 0) == 0 ||
          line->rfind("INFO ", 0) == 0) {
        messages.push_back(*line);
        continue;
      }
      return line;
    }
  }

  std::optional<std::string> Ask(const std::string& text, Ms timeout = Ms(10000)) {
    Send(text);
    return ReadAnswer(timeout);
  }

  // The exit status once the process has ended, within the timeout.
  std::optional<int> WaitExit(Ms timeout = Ms(5000)) {
    const auto deadline = Clock::now() + timeout;
    while (!exitStatus_) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (Clock::now() > deadline) return std::nullopt;
      usleep(2000);
    }
    return exitStatus_;
  }

  // Whatever the process wrote to stderr so far (all of it, once it ended).
  std::string ErrorOutput() {
    std::string text;
    char chunk[4096];
    while (WaitReadable(errors_, Clock::now())) {
      const ssize_t n = read(errors_, chunk, sizeof chunk);
      if (n <= 0) break;
      text.append(chunk, static_cast<size_t>(n));
    }
    return text;
  }

  std::vector<std::string> messages;
  int badLineEnds = 0;

 private:
  static bool WaitReadable(int fd, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(std::max<int64_t>(left, 0))) > 0;
  }

  pid_t pid_ = -1;
  int toBrain_ = -1;
  int fromBrain_ = -1;
  int errors_ = -1;
  std::string buffer_;
  std::optional<int> exitStatus_;
};

}  // namespace pentad::test
