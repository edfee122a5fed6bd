// The browser board's analyses: one position each, searched deeper and
// deeper on an engine of its own until the client stops it. A tab that is
// closed or forgotten frees its engine: an analysis nobody asks about for a
// while ends, and none runs longer than a few minutes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.hpp"
#include "serve/analysis_request.hpp"

namespace pentad::serve {

struct AnalysisSettings {
  int engines = 1;  // analyses at once, each on an engine of its own
  std::chrono::milliseconds longest{std::chrono::minutes(3)};
  // An analysis nobody has asked about for this long ends; once ended, it
  // is forgotten after as long again.
  std::chrono::milliseconds unwatched{std::chrono::seconds(10)};
  // A new analysis waits this long for an engine, so that the one it
  // replaces has time to stop.
  std::chrono::milliseconds engineWait{std::chrono::seconds(1)};
};

// What an analysis has found so far: the figures of its last finished
// depth, the best line first.
struct AnalysisSnapshot {
  std::string id;
  bool running = true;
  uint8_t side = kPlayerX;
  int multiPv = 1;
  int depth = 0;
  int selDepth = 0;
  int64_t nodes = 0;
  int64_t elapsedMs = 0;  // since the analysis started
  std::vector<engine::PvLine> lines;
};

// {"id", "running", "side", "multiPv", "depth", "selDepth", "nodes",
// "elapsedMs", "lines": [{"move", "eval", "result", "winRate", "pv"}]}.
nlohmann::ordered_json SnapshotJson(const AnalysisSnapshot& snapshot);

// Engines that search with as many threads as the machine has cores, up to
// eight.
int AnalysisThreadsForThisMachine();

class Analyses {
 public:
  // One analysis at a time runs on each engine.
  Analyses(AnalysisSettings settings, std::vector<std::unique_ptr<engine::Engine>> engines);
  ~Analyses();
  Analyses(const Analyses&) = delete;
  Analyses& operator=(const Analyses&) = delete;

  // The new analysis's id; nothing when no engine frees within the wait,
  // or after StopAll.
  std::optional<std::string> Start(const AnalysisRequest& request);
  // Nothing for an id never given or forgotten. Asking keeps the analysis
  // going.
  std::optional<AnalysisSnapshot> Find(const std::string& id);
  // Stops and forgets the analysis, returning what it found.
  std::optional<AnalysisSnapshot> Stop(const std::string& id);
  // Stops every analysis and starts no more; safe from any thread.
  void StopAll();

 private:
  struct Analysis;
  struct Worker;

  void Work(Worker& worker);
  void Watch();
  Worker* FreeWorker();
  void ForgetEndedBeyond(size_t kept);
  AnalysisSnapshot SnapshotOf(const Analysis& analysis) const;
  engine::Request RequestFor(Analysis& analysis);

  AnalysisSettings settings_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  uint64_t lastId_ = 0;
  std::map<std::string, std::shared_ptr<Analysis>> analyses_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::thread watcher_;
};

}  // namespace pentad::serve
