#include "serve/analyses.hpp"

#include <algorithm>

#include "analysis/analysis_json.hpp"

namespace pentad::serve {

namespace {

using Clock = engine::Clock;

// Ended analyses kept for their clients to read at most; a client that
// never reads them cannot fill the server's memory.
constexpr size_t kMaxKeptAnalyses = 64;
constexpr int kMaxAnalysisThreads = 8;

// An engine that reports no lines still has its principal variation.
std::vector<engine::PvLine> LinesOf(std::vector<engine::PvLine> lines, const std::vector<Point>& pv,
                                    std::optional<int> score, int multiPv) {
  if (lines.empty() && !pv.empty()) lines.push_back({pv.front(), score.value_or(0), pv});
  if (lines.size() > static_cast<size_t>(multiPv)) lines.resize(multiPv);
  return lines;
}

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

struct Analyses::Analysis {
  AnalysisRequest request;
  Clock::time_point started = Clock::now();
  Clock::time_point lastAsked = started;
  std::atomic<bool> stop{false};
  AnalysisSnapshot found;  // under the mutex, as the times above
};

struct Analyses::Worker {
  std::unique_ptr<engine::Engine> engine;
  std::shared_ptr<Analysis> job;  // under the mutex
  std::thread thread;
};

nlohmann::ordered_json SnapshotJson(const AnalysisSnapshot& snapshot) {
  nlohmann::ordered_json out;
  out["id"] = snapshot.id;
  out["running"] = snapshot.running;
  out["side"] = snapshot.side == kPlayerO ? "o" : "x";
  out["multiPv"] = snapshot.multiPv;
  out["depth"] = snapshot.depth;
  out["selDepth"] = snapshot.selDepth;
  out["nodes"] = snapshot.nodes;
  out["elapsedMs"] = snapshot.elapsedMs;
  nlohmann::ordered_json lines = nlohmann::ordered_json::array();
  for (const engine::PvLine& line : snapshot.lines) lines.push_back(analysis::PvLineJson(line));
  out["lines"] = std::move(lines);
  return out;
}

int AnalysisThreadsForThisMachine() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxAnalysisThreads);
}

Analyses::Analyses(AnalysisSettings settings, std::vector<std::unique_ptr<engine::Engine>> engines)
    : settings_(settings) {
  for (auto& engine : engines) {
    workers_.push_back(std::make_unique<Worker>());
    workers_.back()->engine = std::move(engine);
  }
  for (auto& worker : workers_) worker->thread = std::thread([this, &w = *worker] { Work(w); });
  watcher_ = std::thread([this] { Watch(); });
}

Analyses::~Analyses() {
  StopAll();
  for (auto& worker : workers_) worker->thread.join();
  watcher_.join();
}

std::optional<std::string> Analyses::Start(const AnalysisRequest& request) {
  const auto deadline = Clock::now() + settings_.engineWait;
  std::unique_lock lock(mutex_);
  Worker* worker = nullptr;
  changed_.wait_until(lock, deadline, [&] { return stopping_ || (worker = FreeWorker()); });
  if (stopping_ || !worker) return std::nullopt;
  ForgetEndedBeyond(kMaxKeptAnalyses - 1);
  auto analysis = std::make_shared<Analysis>();
  analysis->request = request;
  AnalysisSnapshot& found = analysis->found;
  found.id = std::to_string(++lastId_);
  found.side = request.position.sideRead;
  found.multiPv = request.multiPv;
  analyses_[found.id] = analysis;
  worker->job = analysis;
  changed_.notify_all();
  return found.id;
}

std::optional<AnalysisSnapshot> Analyses::Find(const std::string& id) {
  std::lock_guard lock(mutex_);
  const auto it = analyses_.find(id);
  if (it == analyses_.end()) return std::nullopt;
  it->second->lastAsked = Clock::now();
  return SnapshotOf(*it->second);
}

std::optional<AnalysisSnapshot> Analyses::Stop(const std::string& id) {
  std::lock_guard lock(mutex_);
  const auto it = analyses_.find(id);
  if (it == analyses_.end()) return std::nullopt;
  it->second->stop = true;
  AnalysisSnapshot snapshot = SnapshotOf(*it->second);
  snapshot.running = false;
  analyses_.erase(it);
  return snapshot;
}

void Analyses::StopAll() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  for (auto& [id, analysis] : analyses_) analysis->stop = true;
  for (auto& worker : workers_)
    if (worker->job) worker->job->stop = true;
  changed_.notify_all();
}

void Analyses::Work(Worker& worker) {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || worker.job; });
    if (!worker.job) return;
    const std::shared_ptr<Analysis> analysis = worker.job;
    const engine::Request request = RequestFor(*analysis);
    lock.unlock();
    const engine::Result result = worker.engine->Decide(request);
    lock.lock();
    AnalysisSnapshot& found = analysis->found;
    // The engine's last word: the iterations' best may have given way to a
    // win or a defence found after them.
    if (OnBoard(result.move)) {
      found.depth = result.depth;
      found.selDepth = result.selDepth;
      found.lines = LinesOf(result.lines, result.pv, result.score, found.multiPv);
    }
    found.nodes = std::max(found.nodes, result.nodes);
    found.elapsedMs = MillisecondsSince(analysis->started);
    found.running = false;
    worker.job = nullptr;
    changed_.notify_all();
  }
}

engine::Request Analyses::RequestFor(Analysis& analysis) {
  engine::Request request;
  request.position = analysis.request.position;
  request.multiPv = analysis.request.multiPv;
  request.limits.start = analysis.started;
  request.limits.moveTime = settings_.longest;
  request.limits.stop = &analysis.stop;
  request.onProgress = [this, &analysis](const engine::Progress& progress) {
    std::lock_guard lock(mutex_);
    AnalysisSnapshot& found = analysis.found;
    found.depth = progress.depth;
    found.selDepth = progress.selDepth;
    found.nodes = progress.nodes.value_or(found.nodes);
    found.lines = LinesOf(progress.lines, progress.pv, progress.score, found.multiPv);
  };
  return request;
}

// Ends what nobody watches and forgets what ended unwatched.
void Analyses::Watch() {
  const auto interval = std::clamp<std::chrono::milliseconds>(
      settings_.unwatched / 10, std::chrono::milliseconds(10), std::chrono::milliseconds(500));
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    changed_.wait_for(lock, interval);
    const auto now = Clock::now();
    for (auto it = analyses_.begin(); it != analyses_.end();) {
      Analysis& analysis = *it->second;
      const bool unwatched = now - analysis.lastAsked > settings_.unwatched;
      if (unwatched && analysis.found.running) analysis.stop = true;
      if (unwatched && !analysis.found.running)
        it = analyses_.erase(it);
      else
        ++it;
    }
  }
}

Analyses::Worker* Analyses::FreeWorker() {
  for (auto& worker : workers_)
    if (!worker->job) return worker.get();
  return nullptr;
}

// The ended analyses asked about longest ago go first.
void Analyses::ForgetEndedBeyond(size_t kept) {
  while (analyses_.size() > kept) {
    auto oldest = analyses_.end();
    for (auto it = analyses_.begin(); it != analyses_.end(); ++it)
      if (!it->second->found.running &&
          (oldest == analyses_.end() || it->second->lastAsked < oldest->second->lastAsked))
        oldest = it;
    if (oldest == analyses_.end()) return;
    analyses_.erase(oldest);
  }
}

AnalysisSnapshot Analyses::SnapshotOf(const Analysis& analysis) const {
  AnalysisSnapshot snapshot = analysis.found;
  if (snapshot.running) snapshot.elapsedMs = MillisecondsSince(analysis.started);
  return snapshot;
}

}  // namespace pentad::serve
