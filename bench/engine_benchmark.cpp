// Hot paths of the engine, measured: the whole-board evaluation, the threat
// scanner and one whole turn as a manager runs it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "classic/board/evaluate.hpp"
#include "classic/decision/decision.hpp"
#include "classic/threats/find_threat.hpp"
#include "classic/threats/threat_search.hpp"
#include "engine/bench_positions.hpp"

namespace pentad {
namespace {

// The bench position nearest to the stone count asked for.
Position BenchPositionWith(int stones) {
  Position best;
  int bestDistance = 1 << 30;
  for (const engine::BenchPosition& bench : engine::BenchPositions()) {
    const Position& position = bench.position;
    const int distance = std::abs(position.StoneCount() - stones);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = position;
    }
  }
  return best;
}

void BM_EvaluateBoard(benchmark::State& state) {
  const Position position = BenchPositionWith(static_cast<int>(state.range(0)));
  classic::Board board = classic::BoardOf(position.stones);
  classic::Random random(1);
  for (auto _ : state) {
    classic::EvaluateBoard(board, SideToPlay(position), position.StoneCount(), random);
    benchmark::DoNotOptimize(board);
  }
  state.counters["stones"] = position.StoneCount();
}
BENCHMARK(BM_EvaluateBoard)->Arg(40)->Arg(10);

void BM_FindThreat(benchmark::State& state) {
  const Position position = BenchPositionWith(30);
  const classic::ThreatBoard board(classic::BoardOf(position.stones));
  int64_t calls = 0;
  for (auto _ : state) {
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y) {
        classic::ThreatRecord record;
        record.x = x;
        record.y = y;
        benchmark::DoNotOptimize(classic::FindThreat(board, record, kPlayerX));
        benchmark::DoNotOptimize(record);
      }
    calls += kBoardSize * kBoardSize;
  }
  state.counters["calls/s"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
  state.counters["stones"] = position.StoneCount();
}
BENCHMARK(BM_FindThreat);

void BM_SearchCombinedDepth5(benchmark::State& state) {
  const Position position = BenchPositionWith(30);
  classic::DecisionState engine = classic::EngineFor(position, 0);
  classic::EvaluateBoard(engine.board, engine.engineSide, engine.stoneCount, engine.random);
  classic::BuildCandidates(engine.candidates, engine.board, engine.random);
  const auto roots = classic::SearchRoots(engine.candidates);
  for (auto _ : state) {
    classic::TimeBudget time;
    time.LimitChecks(1000);
    benchmark::DoNotOptimize(
        classic::SearchCombined(engine.board, engine.engineSide, 5, roots, false, time));
  }
}
BENCHMARK(BM_SearchCombinedDepth5)->Unit(benchmark::kMicrosecond);

// A whole empty-board turn, from process start to exit.
void BM_TurnProcessEmptyBoard(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() / "pentad-bench-turn";
  std::filesystem::create_directories(dir);
  std::string rows;
  for (int i = 0; i < kBoardSize; ++i) rows += std::string(kBoardSize, '-') + "\r\n";
  std::ofstream(dir / "Plocha.dat") << rows;
  const std::string command = "cd '" + dir.string() + "' && " PENTAD_EXE;
  for (auto _ : state) {
    std::ofstream(dir / "Tah.dat") << "x";
    if (std::system(command.c_str()) != 0) state.SkipWithError("turn failed");
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TurnProcessEmptyBoard)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pentad

BENCHMARK_MAIN();
