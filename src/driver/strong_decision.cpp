#include "driver/strong_decision.hpp"

#include "driver/engine.hpp"

namespace pentad {

std::optional<EngineKind> EngineNamed(std::string_view name) {
  if (name == "classic") return EngineKind::kClassic;
  if (name == "strong") return EngineKind::kStrong;
  return std::nullopt;
}

const char* EngineName(EngineKind kind) {
  return kind == EngineKind::kStrong ? "strong" : "classic";
}

search::SearchLimits StrongLimits(search::SearchLimits::Clock::time_point start,
                                  std::chrono::microseconds hardTime,
                                  std::optional<int64_t> maxNodes, const std::atomic<bool>* stop) {
  search::SearchLimits limits;
  limits.start = start;
  limits.hardTime = hardTime;
  limits.softTime = hardTime * kLastStartPercent / 100;
  limits.maxNodes = maxNodes;
  limits.stop = stop;
  return limits;
}

namespace {

bool HasEmptyCell(const search::SearchBoard& board) {
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (board.Stone(search::CellAt(x, y)) == kEmpty) return true;
  return false;
}

}  // namespace

search::SearchOutcome ThinkStrong(search::StrongEngine& engine, const search::SearchBoard& board,
                                  const search::SearchLimits& limits,
                                  const search::IterationCallback& onIteration) {
  if (!HasEmptyCell(board)) return {};
  return engine.Think(board, limits, onIteration);
}

search::SearchOutcome DecideStrong(search::StrongEngine& engine, const Position& position,
                                   const search::SearchLimits& limits,
                                   const search::IterationCallback& onIteration) {
  if (limits.maxNodes) engine.Clear();
  const search::SearchBoard board =
      search::SearchBoardFrom(position.board, EngineSideFor(position));
  return ThinkStrong(engine, board, limits, onIteration);
}

}  // namespace pentad
