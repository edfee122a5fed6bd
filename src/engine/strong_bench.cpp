// The strong engine's part of `pentad bench`: every position searched from
// a cleared engine with a budget of nodes, its move, score, depth and node
// count folded into the signature.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "common/signature.hpp"
#include "engine/adapters.hpp"

namespace pentad::engine {
namespace {

constexpr int64_t kStrongNodes = 20000;

}  // namespace

BenchReport BenchStrong(std::span<const BenchPosition> positions) {
  Signature signature;
  int64_t nodes = 0;
  std::chrono::steady_clock::duration time{};
  const std::unique_ptr<Engine> engine = MakeStrongEngine({});
  for (const BenchPosition& bench : positions) {
    Request request;
    request.position = bench.position;
    request.limits.nodes = kStrongNodes;
    const auto start = std::chrono::steady_clock::now();
    request.limits.start = start;
    const Result result = engine->Decide(request);
    time += std::chrono::steady_clock::now() - start;
    // The move as a board square: the search's own grid is its business.
    const int64_t square = OnBoard(result.move) ? result.move.x * 32 + result.move.y : -1;
    for (int64_t word :
         {square, int64_t{result.score.value_or(0)}, int64_t{result.depth}, result.nodes})
      signature.Fold(word);
    nodes += result.nodes;
  }
  char line[128];
  // Labelled so that "signature: " still names the classic line alone.
  std::snprintf(line, sizeof line, "strong:    %016" PRIx64 "  nodes/s: %.0f", signature.value(),
                nodes / std::chrono::duration<double>(time).count());
  return BenchReport{{line}};
}

}  // namespace pentad::engine
