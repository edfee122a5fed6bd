// The classic engine's part of `pentad bench`: both threat searches for
// both sides at every depth of the schedule, a whole decision and a scan of
// every square on each position, with budgets of time checks. The
// signature folds every answer and counter, so it depends only on what the
// code decides, never on the clock.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "classic/board/evaluate.hpp"
#include "classic/decision/decision.hpp"
#include "classic/threats/find_threat.hpp"
#include "classic/threats/threat_search.hpp"
#include "common/signature.hpp"
#include "engine/adapters.hpp"

namespace pentad::engine {
namespace {

constexpr int64_t kSearchChecks = 600;
constexpr int64_t kDecisionChecks = 2000;
constexpr uint32_t kBenchSeed = 1;
constexpr int kDepthSchedule[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12};
constexpr int kScanRounds = 40;

struct PositionTally {
  int combinedWins = 0;
  int perReplyWins = 0;
  int64_t checks = 0;
};

// One search of one kind at one depth, from the candidates of `attacker`.
void RunSearch(const classic::Board& board, uint8_t attacker,
               std::span<const classic::SearchRoot> roots, bool perReply, int depth,
               Signature& signature, PositionTally& tally) {
  classic::TimeBudget time;
  time.LimitChecks(kSearchChecks);
  const classic::SearchResult result =
      perReply ? classic::SearchPerReply(board, attacker, depth, roots, false, time)
               : classic::SearchCombined(board, attacker, depth, roots, false, time);
  signature.Fold(result.found);
  signature.Fold(result.found ? result.index : 0);
  signature.Fold(time.Checks());
  for (int i = 0; result.found && i < result.line.count; ++i)
    signature.Fold(result.line.x[i] * 32 + result.line.y[i]);
  tally.checks += time.Checks();
  (perReply ? tally.perReplyWins : tally.combinedWins) += result.found;
}

void RunSearches(const Position& position, Signature& signature, PositionTally& tally) {
  const uint8_t engineSide = SideToPlay(position);
  for (uint8_t side : {engineSide, kOpponent[engineSide]}) {
    classic::DecisionState state = classic::EngineFor(position, kBenchSeed);
    classic::EvaluateBoard(state.board, side, state.stoneCount, state.random);
    classic::BuildCandidates(state.candidates, state.board, state.random);
    const auto roots = classic::SearchRoots(state.candidates);
    for (int depth : kDepthSchedule) {
      RunSearch(state.board, side, roots, false, depth, signature, tally);
      RunSearch(state.board, side, roots, true, depth, signature, tally);
    }
  }
}

// Every empty square for both players, a number of times over.
int64_t ScanAllSquares(const Position& position, Signature& signature) {
  const classic::ThreatBoard board(classic::BoardOf(position.stones));
  int64_t calls = 0;
  int64_t threats = 0;
  for (int round = 0; round < kScanRounds; ++round)
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y)
        for (uint8_t player : {kPlayerX, kPlayerO}) {
          classic::ThreatRecord record;
          record.x = x;
          record.y = y;
          threats += classic::FindThreat(board, record, player) ? record.level : 0;
          ++calls;
        }
  signature.Fold(threats / kScanRounds);
  return calls;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

}  // namespace

BenchReport BenchClassic(std::span<const BenchPosition> positions) {
  BenchReport report;
  Signature signature;
  int64_t totalChecks = 0, scanCalls = 0;
  std::chrono::steady_clock::duration searchTime{}, scanTime{};
  for (const BenchPosition& bench : positions) {
    const Position& position = bench.position;
    PositionTally tally;
    const auto searchStart = std::chrono::steady_clock::now();
    RunSearches(position, signature, tally);
    searchTime += std::chrono::steady_clock::now() - searchStart;
    totalChecks += tally.checks;

    classic::DecisionSettings settings;
    settings.seed = kBenchSeed;
    settings.checks = kDecisionChecks;
    const classic::Decision decision = classic::Decide(position, settings);
    for (int64_t word :
         {int64_t{decision.x}, int64_t{decision.y}, int64_t{decision.depth}, decision.timeChecks})
      signature.Fold(word);

    const auto scanStart = std::chrono::steady_clock::now();
    scanCalls += ScanAllSquares(position, signature);
    scanTime += std::chrono::steady_clock::now() - scanStart;

    report.lines.push_back(Format("%-10s stones %3d  combined %2d  per-reply %2d  checks %7" PRId64
                                  "  move %d,%d depth %d checks %" PRId64 " (%s)",
                                  bench.name.c_str(), position.StoneCount(), tally.combinedWins,
                                  tally.perReplyWins, tally.checks, decision.x, decision.y,
                                  decision.depth, decision.timeChecks,
                                  decision.trace.stage.c_str()));
  }
  report.lines.push_back(Format("signature: %016" PRIx64 "  checks/s: %.0f  findthreat/s: %.0f",
                                signature.value(), totalChecks / Seconds(searchTime),
                                scanCalls / Seconds(scanTime)));
  return report;
}

}  // namespace pentad::engine
