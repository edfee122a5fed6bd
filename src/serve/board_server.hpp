// The browser board's HTTP server: the page built into the binary, the
// stateless move API and the analyses. Every request carries its whole
// position, so any number of games can be played at once.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "serve/analyses.hpp"
#include "serve/engine_pool.hpp"

namespace pentad::serve {

struct ServerSettings {
  std::filesystem::path bookDir;  // empty: no book, no files read at all
  EngineMaker makeEngine = engine::MakeEngine;
  // Engines of each kind, each lent to one request at a time, and the
  // requests that may wait for one.
  int enginesPerKind = EnginesForThisMachine();
  int maxWaitingPerKind = 8;
  // Analyses until stopped, each on a strong engine of its own.
  AnalysisSettings analysis = {};
  // Decisions block a worker for their whole budget, and idle or slow
  // connections for up to `requestDeadline` each.
  int threads = 64;
  // A connection's whole request, headers and body, must come within this
  // of its start or of its last answer.
  std::chrono::milliseconds requestDeadline{2000};
};

class BoardServer {
 public:
  explicit BoardServer(ServerSettings settings);
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  // Port 0 takes any free port. Returns the port bound, nullopt on failure.
  // Requests are then served only when their Host names this host or a
  // loopback name, with this port.
  std::optional<int> Bind(const std::string& host, int port);

  // Serves until Stop; returns at once when Stop came first.
  void Listen();

  // Safe from any thread, before, during or after Listen. Decisions in
  // progress end as if their time were up, and analyses end.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// "http://127.0.0.1:8020/", with brackets around an IPv6 host.
std::string ListenAddress(const std::string& host, int port);

}  // namespace pentad::serve
