#include "search/strong_engine.hpp"

#include "search/vcf.hpp"

namespace pentad::search {

std::optional<int> PliesToResult(int score) {
  if (score > kProvenScore) return kWinScore - score;
  if (score < -kProvenScore) return -(kWinScore + score);
  return std::nullopt;
}

// Placeholder until the main search lands: a win by fours, else the cell
// with the strongest pattern for either side.
struct StrongEngine::Impl {
  VcfSearch vcf;
};

StrongEngine::StrongEngine(size_t) : impl_(std::make_unique<Impl>()) {}
StrongEngine::~StrongEngine() = default;
void StrongEngine::SetHashBytes(size_t) {}
void StrongEngine::Clear() {
  impl_->vcf.Clear();
}

SearchOutcome StrongEngine::Think(const SearchBoard& board, const SearchLimits& limits,
                                  const IterationCallback& onIteration) {
  SearchOutcome outcome;
  SearchBoard work = board;
  VcfLimits vcfLimits;
  if (limits.maxNodes) vcfLimits.maxNodes = *limits.maxNodes;
  const VcfResult vcf = impl_->vcf.Search(work, vcfLimits);
  outcome.nodes = vcf.nodes;
  if (vcf.outcome == VcfOutcome::kWin) {
    outcome.move = vcf.move;
    outcome.score = kWinScore - vcf.lineLength;
    outcome.pv.assign(vcf.line.begin(), vcf.line.begin() + vcf.lineLength);
  } else {
    const uint8_t me = board.SideToMove();
    int best = -1;
    for (int y = 0; y < kBoardSize; ++y) {
      for (int x = 0; x < kBoardSize; ++x) {
        const int cell = CellAt(x, y);
        if (board.Stone(cell) != kEmpty) continue;
        const int value = 2 * static_cast<int>(board.CellPatternAt(cell, me)) +
                          static_cast<int>(board.CellPatternAt(cell, kOpponent[me])) * 2 - 1;
        if (value > best) {
          best = value;
          outcome.move = cell;
        }
      }
    }
    if (board.StoneCount() == 0) outcome.move = CellAt(kBoardSize / 2, kBoardSize / 2);
    outcome.pv = {outcome.move};
  }
  outcome.depth = 1;
  outcome.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          SearchLimits::Clock::now() - limits.start)
                          .count();
  if (onIteration) {
    onIteration({outcome.depth, outcome.score, outcome.nodes, outcome.elapsedMs, outcome.pv});
  }
  return outcome;
}

SearchBoard SearchBoardFrom(const Board& board, uint8_t sideToMove) {
  SearchBoard result;
  for (int x = 0; x < kBoardSize; ++x) {
    for (int y = 0; y < kBoardSize; ++y) {
      const uint8_t stone = board.at(x, y).occupant;
      if (stone == kPlayerX || stone == kPlayerO) result.Place(CellAt(x, y), stone);
    }
  }
  result.SetSideToMove(sideToMove);
  return result;
}

}  // namespace pentad::search
