// `pentad serve` as a user runs it: the address it prints, the page there,
// Ctrl-C, and the errors it reports.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "serve/board_server.hpp"

namespace {

using namespace std::chrono_literals;

// The server as a child process with its standard output on a pipe.
class ServeProcess {
 public:
  explicit ServeProcess(const std::vector<std::string>& extraArgs) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<std::string> args = {PENTAD_EXE, "serve"};
      args.insert(args.end(), extraArgs.begin(), extraArgs.end());
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(PENTAD_EXE, argv.data());
      _exit(127);
    }
    close(out[1]);
    output_ = fdopen(out[0], "r");
  }
  ~ServeProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (output_ != nullptr) fclose(output_);
  }

  std::string ReadLine() {
    char buffer[512];
    if (fgets(buffer, sizeof buffer, output_) == nullptr) return "";
    return buffer;
  }

  // The exit status, or -1 when it has not exited within the time given.
  int WaitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

  void Signal(int signal) { kill(pid_, signal); }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
  bool exited_ = false;
};

// The port of "pentad serve: listening on http://127.0.0.1:PORT/", or -1.
// (No std::regex: GCC 12 warns inside it under the sanitizers.)
int PortIn(const std::string& line) {
  const std::string prefix = "pentad serve: listening on http://127.0.0.1:";
  if (!line.starts_with(prefix) || !line.ends_with("/\n")) return -1;
  const std::string port = line.substr(prefix.size(), line.size() - prefix.size() - 2);
  if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(port);
}

TEST(ServeCommand, PrintsItsAddressServesThePageAndStopsOnCtrlC) {
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    ServeProcess serve({"--port", "0"});
    const std::string line = serve.ReadLine();
    const int port = PortIn(line);
    ASSERT_GT(port, 0) << line;
    httplib::Client client("127.0.0.1", port);
    const auto page = client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    serve.Signal(signal);
    EXPECT_EQ(serve.WaitForExit(5s), 0);
    EXPECT_EQ(serve.ReadLine(), "pentad serve: stopping\n");
  }
}

std::pair<int, std::string> RunToEnd(const std::string& args) {
  // A server that did start instead is stopped by the time limit.
  const std::string command =
      "timeout -s INT 10 " + std::string(PENTAD_EXE) + " serve " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(ServeCommand, ReportsAPortInUse) {
  pentad::serve::BoardServer taken(pentad::serve::ServerSettings{});
  const auto port = taken.Bind("127.0.0.1", 0);
  ASSERT_TRUE(port);
  const auto [status, output] = RunToEnd("--port " + std::to_string(*port));
  EXPECT_EQ(status, 1);
  EXPECT_NE(output.find("cannot listen on 127.0.0.1 port " + std::to_string(*port)),
            std::string::npos)
      << output;
}

TEST(ServeCommand, RejectsBadOptions) {
  for (const char* args :
       {"--port 70000", "--port -1", "--book-dir /nonexistent/pentad-book", "--unknown"}) {
    const auto [status, output] = RunToEnd(args);
    EXPECT_NE(status, 0) << args;
    EXPECT_FALSE(output.empty()) << args;
  }
}

}  // namespace
