// `pentad-serve`: the browser board on a local HTTP server. A program of its
// own so that the engine executables a manager starts never load the HTTP
// library; `pentad serve` hands over to it.
#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "common/version.hpp"
#include "serve/board_server.hpp"

namespace pentad::serve {

namespace {

struct ServeOptions {
  std::string host = "127.0.0.1";
  int port = 8020;
  std::string bookDir;
};

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.starts_with("127.");
}

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Ctrl-C and SIGTERM are taken by a thread of their own instead of a signal
// handler, so stopping the server may lock and join like any other code.
class StopOnSignal {
 public:
  explicit StopOnSignal(BoardServer& server) : signals_(StopSignals()) {
    watcher_ = std::thread([this, &server] {
      const timespec poll{0, 200'000'000};
      while (!done_) {
        if (sigtimedwait(&signals_, nullptr, &poll) > 0) {
          std::cout << "pentad serve: stopping" << std::endl;
          server.Stop();
          return;
        }
      }
    });
  }
  ~StopOnSignal() {
    done_ = true;
    watcher_.join();
  }

 private:
  sigset_t signals_;
  std::atomic<bool> done_{false};
  std::thread watcher_;
};

int RunServe(const ServeOptions& options) {
  // Blocked before any thread starts, so every thread inherits it and only
  // the watcher ever sees the signals.
  // A shell starting us in the background ignores SIGINT for us; an ignored
  // signal never becomes pending, so the watcher would not see Ctrl-C.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  const sigset_t signals = StopSignals();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &signals, &previous);
  int status = 0;
  {
    BoardServer server(ServerSettings{.bookDir = options.bookDir});
    const auto port = server.Bind(options.host, options.port);
    if (!port) {
      std::cerr << "pentad serve: cannot listen on " << options.host << " port " << options.port
                << ": the port is in use or the address is not on this machine\n";
      status = 1;
    } else {
      std::cout << "pentad serve: listening on " << ListenAddress(options.host, *port) << std::endl;
      if (!IsLoopback(options.host))
        std::cerr << "pentad serve: warning: " << options.host
                  << " may be reachable from other machines\n";
      StopOnSignal stopOnSignal(server);
      server.Listen();
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return status;
}

}  // namespace
}  // namespace pentad::serve

int main(int argc, char** argv) {
  pentad::serve::ServeOptions options;
  CLI::App app{"Play against the engine and see its analysis in a browser (a local web page)",
               "pentad serve"};
  app.add_option("--host", options.host, "Address to listen on")->capture_default_str();
  app.add_option("--port", options.port, "Port to listen on (0: any free port)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_option("--book-dir", options.bookDir,
                 "Directory of the opening book files (default: play without the book)")
      ->check(CLI::ExistingDirectory);
  app.set_version_flag("--version", pentad::VersionLine("pentad-serve"),
                       "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }
  return pentad::serve::RunServe(options);
}
