// The strong engine behind the engine interface. One engine object keeps
// its tables for a whole game: what one move's search learnt serves the
// next.
#include <algorithm>

#include "engine/adapters.hpp"
#include "strong/strong_engine.hpp"

namespace pentad::engine {
namespace {

// No new depth starts after this share of the move: a depth takes several
// times the one before, so one started later would mostly be cut off
// unfinished. At half, a move used a third of its time on average and
// played weaker.
constexpr int kLastStartPercent = 70;

Point PointOf(int cell) {
  if (cell == strong::kNoCell) return kNoPoint;
  return {strong::CellX(cell), strong::CellY(cell)};
}

std::vector<Point> PointsOf(const std::vector<int>& cells) {
  std::vector<Point> points;
  for (const int cell : cells) {
    if (cell == strong::kNoCell) break;
    points.push_back(PointOf(cell));
  }
  return points;
}

std::vector<PvLine> PvLinesOf(const std::vector<strong::RootLine>& lines) {
  std::vector<PvLine> result;
  result.reserve(lines.size());
  for (const strong::RootLine& line : lines) {
    result.push_back(PvLine{PointOf(line.move), line.score, PointsOf(line.pv)});
  }
  return result;
}

// No clock at all for a node budget without a move time, which gives the
// same answer on every machine, and for an analysis until stopped. A move
// time bounds every other search, a budget or not.
bool Unclocked(const Limits& limits) {
  return limits.moveTime ? *limits.moveTime == kUntilStopped : limits.nodes.has_value();
}

strong::SearchLimits SearchLimitsFor(const Request& request) {
  const Limits& limits = request.limits;
  strong::SearchLimits search;
  search.start = limits.start;
  search.maxNodes = limits.nodes;
  search.stop = limits.stop;
  if (Unclocked(limits)) {
    search.hardTime = search.softTime = strong::kNoTimeLimit;
  } else {
    search.hardTime = limits.moveTime.value_or(kDefaultMoveTime);
    search.softTime = search.hardTime * kLastStartPercent / 100;
  }
  search.multiPv = request.multiPv;
  for (const Point point : request.excluded) {
    if (OnBoard(point)) search.excluded.push_back(strong::CellAt(point.x, point.y));
  }
  if (request.onBestMove) {
    search.onBestMove = [onBestMove = request.onBestMove](int cell) { onBestMove(PointOf(cell)); };
  }
  return search;
}

class StrongEngine : public Engine {
 public:
  explicit StrongEngine(const EngineOptions& options)
      : hashBytes_(HashBytesOr(options.hashBytes.value_or(0))),
        engine_(hashBytes_, options.threads) {}

  EngineKind Kind() const override { return EngineKind::kStrong; }

  Result Decide(const Request& request) override {
    const strong::SearchBoard board =
        strong::SearchBoardFrom(request.position.stones, SideToPlay(request.position));
    Result result;
    result.engine = EngineKind::kStrong;
    if (request.position.stones.Full()) return result;
    const strong::SearchOutcome outcome =
        engine_.Think(board, SearchLimitsFor(request), ReporterFor(request.onProgress));
    result.move = PointOf(outcome.move);
    result.score = outcome.score;
    result.depth = outcome.depth;
    result.nodes = outcome.nodes;
    result.elapsedMs = outcome.elapsedMs;
    result.pv = PointsOf(outcome.pv);
    result.selDepth = outcome.selDepth;
    result.lines = PvLinesOf(outcome.lines);
    return result;
  }

  void NewGame() override { engine_.Clear(); }

  void SetThreads(int threads) override { engine_.SetThreads(threads); }

  void SetMemory(size_t bytes) override {
    const size_t wanted = HashBytesOr(bytes);
    if (wanted == hashBytes_) return;
    hashBytes_ = wanted;
    engine_.SetHashBytes(hashBytes_);
  }

 private:
  static size_t HashBytesOr(size_t bytes) { return bytes == 0 ? strong::kDefaultHashBytes : bytes; }

  static strong::IterationCallback ReporterFor(const ProgressCallback& onProgress) {
    if (!onProgress) return {};
    return [onProgress](const strong::IterationReport& report) {
      Progress progress;
      progress.depth = report.depth;
      progress.score = report.score;
      progress.nodes = report.nodes;
      progress.elapsedMs = report.elapsedMs;
      progress.pv = PointsOf(report.pv);
      progress.selDepth = report.selDepth;
      progress.lines = PvLinesOf(report.lines);
      onProgress(progress);
    };
  }

  size_t hashBytes_;
  strong::StrongEngine engine_;
};

}  // namespace

std::unique_ptr<Engine> MakeStrongEngine(const EngineOptions& options) {
  return std::make_unique<StrongEngine>(options);
}

}  // namespace pentad::engine
