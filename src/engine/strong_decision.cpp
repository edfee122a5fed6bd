#include "engine/strong_decision.hpp"

namespace pentad {

std::optional<EngineKind> EngineNamed(std::string_view name) {
  if (name == "classic") return EngineKind::kClassic;
  if (name == "strong") return EngineKind::kStrong;
  return std::nullopt;
}

const char* EngineName(EngineKind kind) {
  return kind == EngineKind::kStrong ? "strong" : "classic";
}

strong::SearchLimits StrongLimits(strong::SearchLimits::Clock::time_point start,
                                  std::chrono::microseconds hardTime,
                                  std::optional<int64_t> maxNodes, const std::atomic<bool>* stop) {
  strong::SearchLimits limits;
  limits.start = start;
  limits.hardTime = hardTime;
  limits.softTime = hardTime * kLastStartPercent / 100;
  limits.maxNodes = maxNodes;
  limits.stop = stop;
  return limits;
}

namespace {

bool HasEmptyCell(const strong::SearchBoard& board) {
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (board.Stone(strong::CellAt(x, y)) == kEmpty) return true;
  return false;
}

}  // namespace

strong::SearchOutcome ThinkStrong(strong::StrongEngine& engine, const strong::SearchBoard& board,
                                  const strong::SearchLimits& limits,
                                  const strong::IterationCallback& onIteration) {
  if (!HasEmptyCell(board)) return {};
  return engine.Think(board, limits, onIteration);
}

strong::SearchOutcome DecideStrong(strong::StrongEngine& engine, const Position& position,
                                   const strong::SearchLimits& limits,
                                   const strong::IterationCallback& onIteration) {
  if (limits.maxNodes) engine.Clear();
  const strong::SearchBoard board = strong::SearchBoardFrom(position.stones, SideToPlay(position));
  return ThinkStrong(engine, board, limits, onIteration);
}

}  // namespace pentad
