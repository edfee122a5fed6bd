// The strong engine's hot paths: a move made and taken back with every
// pattern kept current, the search by continuous fours, and the main
// search's nodes per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "strong/search_board.hpp"
#include "strong/strong_engine.hpp"
#include "strong/vcf.hpp"
#include "strong/vct.hpp"

namespace pentad::strong {
namespace {

const std::filesystem::path kTactics =
    std::filesystem::path(PENTAD_SOURCE_DIR) / "tests/data/tactics";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

SearchBoard TacticBoard(const std::string& name) {
  const uint8_t side = ReadFile(kTactics / name / "Tah.dat").starts_with("o") ? kPlayerO : kPlayerX;
  return SearchBoardFromRows(ReadFile(kTactics / name / "Plocha.dat"), side);
}

std::vector<std::string> PositionsWonBy(const std::string& tactic) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kTactics)) {
    if (!entry.is_directory()) continue;
    if (ReadFile(entry.path() / "puzzle.json").find("\"tactic\": \"" + tactic + "\"") !=
        std::string::npos)
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> FoursPositions() {
  return PositionsWonBy("fours");
}

// The empty cells within two of a stone: the moves a search tries.
std::vector<int> NearbyEmptyCells(const SearchBoard& board) {
  std::vector<int> cells;
  for (int y = 0; y < kBoardSize; ++y) {
    for (int x = 0; x < kBoardSize; ++x) {
      if (board.Stone(CellAt(x, y)) != kEmpty) continue;
      bool near = false;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          near |= OnBoard(x + dx, y + dy) && board.Stone(CellAt(x + dx, y + dy)) != kEmpty;
      if (near) cells.push_back(CellAt(x, y));
    }
  }
  return cells;
}

// A midgame position of 43 stones.
void BM_MakeUnmake(benchmark::State& state) {
  SearchBoard board = TacticBoard("0001");
  const std::vector<int> moves = NearbyEmptyCells(board);
  for (auto _ : state) {
    for (const int cell : moves) {
      board.Make(cell);
      board.Unmake();
    }
    benchmark::DoNotOptimize(board.Hash());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(moves.size()));
}
BENCHMARK(BM_MakeUnmake);

// Every position won by fours, each from an empty table.
void BM_VcfFoursPositions(benchmark::State& state) {
  std::vector<SearchBoard> boards;
  for (const std::string& name : FoursPositions()) boards.push_back(TacticBoard(name));
  VcfSearch vcf;
  int64_t nodes = 0;
  for (auto _ : state) {
    for (SearchBoard& board : boards) {
      state.PauseTiming();
      vcf.Clear();
      state.ResumeTiming();
      nodes += vcf.Search(board, VcfLimits{.maxNodes = 1000000}).nodes;
    }
  }
  state.counters["nodes"] =
      benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["positions"] = static_cast<double>(boards.size());
}
BENCHMARK(BM_VcfFoursPositions)->Unit(benchmark::kMicrosecond);

// One position at a time, to see which are hard.
void BM_VcfPosition(benchmark::State& state) {
  const std::vector<std::string> names = FoursPositions();
  SearchBoard board = TacticBoard(names[state.range(0)]);
  VcfSearch vcf;
  int64_t nodes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vcf.Clear();
    state.ResumeTiming();
    nodes = vcf.Search(board, VcfLimits{.maxNodes = 1000000}).nodes;
  }
  state.SetLabel(names[state.range(0)] + " nodes " + std::to_string(nodes));
}
BENCHMARK(BM_VcfPosition)->DenseRange(0, 12)->Unit(benchmark::kMicrosecond);

// Every position won by `tactic`, each from an empty table; "won" counts
// those solved within the budget the main search is meant to give.
void VctPositions(benchmark::State& state, const std::string& tactic) {
  std::vector<SearchBoard> boards;
  for (const std::string& name : PositionsWonBy(tactic)) boards.push_back(TacticBoard(name));
  VctSearch vct;
  int64_t nodes = 0;
  int won = 0;
  for (auto _ : state) {
    won = 0;
    for (SearchBoard& board : boards) {
      state.PauseTiming();
      vct.Clear();
      state.ResumeTiming();
      const VctResult result = vct.Search(board, VctLimits{.maxNodes = 200000});
      nodes += result.nodes;
      won += result.outcome == VctOutcome::kWin;
    }
  }
  state.counters["nodes"] =
      benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["positions"] = static_cast<double>(boards.size());
  state.counters["won"] = won;
}

void BM_VctThreesPositions(benchmark::State& state) {
  VctPositions(state, "threes");
}
BENCHMARK(BM_VctThreesPositions)->Unit(benchmark::kMillisecond);

void BM_VctFoursPositions(benchmark::State& state) {
  VctPositions(state, "fours");
}
BENCHMARK(BM_VctFoursPositions)->Unit(benchmark::kMicrosecond);
// The main search from midgame positions with nothing to win by fours at
// the root, each from cleared tables (a node budget clears them): nodes
// per second of one thread.
void BM_SearchNodes(benchmark::State& state) {
  std::vector<SearchBoard> boards;
  for (const char* name : {"0002", "0012", "0016", "0031"}) boards.push_back(TacticBoard(name));
  StrongEngine engine(size_t{16} << 20);
  SearchLimits limits;
  limits.maxNodes = state.range(0);
  int64_t nodes = 0;
  for (auto _ : state) {
    for (const SearchBoard& board : boards) nodes += engine.Think(board, limits).nodes;
  }
  state.counters["nodes"] =
      benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchNodes)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pentad::strong

BENCHMARK_MAIN();
