// Runs `pentad match` as a child process inside a sandbox of its own (its
// temporary directory and the fake engines' pid files), and checks that it
// left nothing behind: no process of a fake engine, alive or zombie, and no
// temporary directory.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace pentad::match::test {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

struct Finished {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

class MatchSandbox {
 public:
  MatchSandbox() {
    static std::mt19937_64 random{std::random_device{}()};
    root_ =
        std::filesystem::temp_directory_path() / ("pentad-match-test-" + std::to_string(random()));
    for (const char* dir : {"tmp", "pids", "files"})
      std::filesystem::create_directories(root_ / dir);
    env_ = {{"TMPDIR", (root_ / "tmp").string()}, {"FAKE_PID_DIR", (root_ / "pids").string()}};
  }
  ~MatchSandbox() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path FilesDir() const { return root_ / "files"; }
  void SetEnv(const std::string& key, const std::string& value) { env_.emplace_back(key, value); }

  pid_t Start(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {PENTAD_EXE, "match"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& arg : argv) raw.push_back(arg.data());
    raw.push_back(nullptr);
    const std::string out = (root_ / "stdout").string();
    const std::string err = (root_ / "stderr").string();
    const pid_t pid = fork();
    if (pid == 0) {
      for (const auto& [key, value] : env_) setenv(key.c_str(), value.c_str(), 1);
      const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(outFd, 1);
      dup2(errFd, 2);
      execv(raw[0], raw.data());
      _exit(127);
    }
    return pid;
  }

  // Waits at most `limit`; a runner still running then is killed and the
  // test fails. The limit only catches a hung runner: a 400-move game of
  // file engines, a process per move, takes half a minute in the sanitizer
  // build on a busy machine.
  Finished Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(120)) {
    Finished finished;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "pentad match still running after " << limit.count() << " s";
        kill(pid, SIGKILL);
        waitpid(pid, &raw, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    finished.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    finished.out = ReadText(root_ / "stdout");
    finished.err = ReadText(root_ / "stderr");
    return finished;
  }

  Finished Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

  // Every process a fake engine started must be gone (a zombie counts as
  // left behind), and the runner's temporary directory empty.
  void ExpectNothingLeft() const {
    EXPECT_TRUE(std::filesystem::is_empty(root_ / "tmp"))
        << "left in the temporary directory: "
        << std::filesystem::directory_iterator(root_ / "tmp")->path();
    for (const auto& entry : std::filesystem::directory_iterator(root_ / "pids")) {
      const std::string pid = entry.path().filename().string();
      EXPECT_FALSE(IsFakeEngine(pid)) << "fake engine " << pid << " is still there";
    }
  }

  size_t PidCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(root_ / "pids"),
                                             std::filesystem::directory_iterator()));
  }

 private:
  // The pid may have been reused meanwhile; only a fake's name counts.
  static bool IsFakeEngine(const std::string& pid) {
    const std::string stat = ReadText("/proc/" + pid + "/stat");
    return stat.find("(fake-file-engi") != std::string::npos ||
           stat.find("(pbrain-fake)") != std::string::npos;
  }

  std::filesystem::path root_;
  std::vector<std::pair<std::string, std::string>> env_;
};

inline std::string FileFake(const std::string& mode) {
  return std::string(FAKE_FILE_ENGINE) + " " + mode;
}
inline std::string PipeFake(const std::string& mode) {
  return std::string(FAKE_PIPE_ENGINE) + " " + mode;
}

}  // namespace pentad::match::test
