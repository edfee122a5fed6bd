// The classic engine behind the engine interface: one decision exactly as
// a turn makes it, with the stage, candidates and book answers that explain
// it, and on request the evaluated board and every threat.
#include "classic/threats/find_threat.hpp"
#include "engine/adapters.hpp"

namespace pentad::engine {
namespace {

std::vector<ClassicThreat> ThreatsOf(const classic::Board& board) {
  const classic::ThreatBoard threatBoard(board);
  std::vector<ClassicThreat> threats;
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y) {
      if (board.at(x, y).occupant != kEmpty) continue;
      for (uint8_t player : {kPlayerX, kPlayerO}) {
        classic::ThreatRecord record;
        record.x = x;
        record.y = y;
        if (!classic::FindThreat(threatBoard, record, player)) continue;
        ClassicThreat threat{{x, y}, player, record.level, record.win != 0, {}};
        for (int k = 0; k < record.keyCount; ++k)
          threat.keySquares.push_back({record.keySquares[k].x, record.keySquares[k].y});
        threats.push_back(std::move(threat));
      }
    }
  return threats;
}

class ClassicEngine : public Engine {
 public:
  explicit ClassicEngine(const EngineOptions& options)
      : bookDir_(options.bookDir.value_or(std::filesystem::path())),
        books_(options.books != nullptr ? options.books : &ownBooks_) {}

  EngineKind Kind() const override { return EngineKind::kClassic; }

  Result Decide(const Request& request) override {
    classic::DecisionSettings settings = SettingsFor(request);
    ClassicDetails details;
    // Evaluated on its own copy first, so that asking never changes the move.
    if (request.wantCells)
      details.evaluated = classic::EvaluatedBoard(request.position, *settings.seed);
    if (request.wantThreats) details.threats = ThreatsOf(classic::BoardOf(request.position.stones));
    details.decision = classic::Decide(request.position, settings);
    Result result;
    result.engine = EngineKind::kClassic;
    result.move = {details.decision.x, details.decision.y};
    result.depth = details.decision.depth;
    result.elapsedMs = details.decision.elapsedMs;
    if (OnBoard(result.move)) result.pv = {result.move};
    result.classic = std::move(details);
    return result;
  }

 private:
  classic::DecisionSettings SettingsFor(const Request& request) const {
    const Limits& limits = request.limits;
    classic::DecisionSettings settings;
    settings.seed = request.seed ? *request.seed : classic::TimeOfDaySeed();
    settings.checks = limits.checks;
    settings.dataDir = bookDir_;
    settings.books = books_;
    settings.start = limits.start;
    const bool timed = limits.moveTime && *limits.moveTime != kUntilStopped;
    if (timed) settings.budget = *limits.moveTime;
    settings.clockWithChecks = timed;
    settings.stop = limits.stop;
    if (request.onProgress) {
      settings.onDepth = [onProgress = request.onProgress](int depth, int64_t checks,
                                                           int64_t elapsedMs) {
        Progress progress;
        progress.depth = depth;
        progress.timeChecks = checks;
        progress.elapsedMs = elapsedMs;
        onProgress(progress);
      };
    }
    return settings;
  }

  std::filesystem::path bookDir_;
  classic::book::BookCache ownBooks_;  // read once, again only when a book file changes
  classic::book::BookCache* books_;
};

}  // namespace

std::unique_ptr<Engine> MakeClassicEngine(const EngineOptions& options) {
  return std::make_unique<ClassicEngine>(options);
}

}  // namespace pentad::engine
