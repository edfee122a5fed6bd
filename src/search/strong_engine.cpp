#include "search/strong_engine.hpp"

#include <algorithm>

#include "search/searcher.hpp"
#include "search/transposition_table.hpp"
#include "search/vcf.hpp"

namespace pentad::search {
namespace {

// The table of wins by fours is small and fixed; the main table takes the
// largest power of two that fits in the rest.
constexpr int kVcfTableBits = 16;
constexpr size_t kVcfTableBytes = size_t{16} << kVcfTableBits;

size_t MainTableBytes(size_t hashBytes) {
  return hashBytes > 2 * kVcfTableBytes ? hashBytes - kVcfTableBytes : hashBytes / 2;
}

}  // namespace

std::optional<int> PliesToResult(int score) {
  if (score > kProvenScore) return kWinScore - score;
  if (score < -kProvenScore) return -(kWinScore + score);
  return std::nullopt;
}

struct StrongEngine::Impl {
  explicit Impl(size_t hashBytes)
      : table(MainTableBytes(hashBytes)), vcf(kVcfTableBits), searcher(table, vcf) {}

  TranspositionTable table;
  VcfSearch vcf;
  Searcher searcher;
};

StrongEngine::StrongEngine(size_t hashBytes) : impl_(std::make_unique<Impl>(hashBytes)) {}
StrongEngine::~StrongEngine() = default;

void StrongEngine::SetHashBytes(size_t hashBytes) {
  impl_->table.Resize(MainTableBytes(hashBytes));
}

void StrongEngine::Clear() {
  impl_->table.Clear();
  impl_->vcf.Clear();
  impl_->searcher.Clear();
}

SearchOutcome StrongEngine::Think(const SearchBoard& board, const SearchLimits& limits,
                                  const IterationCallback& onIteration) {
  // What earlier searches left in the tables would change the tree: a node
  // budget starts from nothing, for the same move on every call.
  if (limits.maxNodes) Clear();
  return impl_->searcher.Run(board, limits, onIteration);
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
