#include "strong/strong_engine.hpp"

#include <algorithm>
#include <bit>

#include "strong/searcher.hpp"
#include "strong/transposition_table.hpp"
#include "strong/vcf.hpp"
#include "strong/vct.hpp"

namespace pentad::strong {
namespace {

// The table of wins by fours takes a thirty-second of the hash, between
// 2^10 and 2^16 entries of 16 bytes; the proof-number table of wins by
// threats, which keeps its proofs from move to move, a quarter, between
// 2^10 and 2^20, and its own table of wins by fours a thirty-second, up to
// 2^16; the main table the largest power of two that fits in the rest, so
// that all stay within the hash bytes.
constexpr size_t kVcfEntryBytes = 16;
constexpr size_t kVctEntryBytes = 16;

int TableBits(size_t bytes, size_t entryBytes, int minBits, int maxBits) {
  const size_t entries = std::max<size_t>(bytes / entryBytes, 1);
  const int bits = static_cast<int>(std::bit_width(entries)) - 1;
  return std::clamp(bits, minBits, maxBits);
}

int VcfTableBits(size_t hashBytes) {
  return TableBits(hashBytes / 32, kVcfEntryBytes, 10, 16);
}

int VctTableBits(size_t hashBytes) {
  return TableBits(hashBytes / 4, kVctEntryBytes, 10, 20);
}

int VctInnerVcfBits(size_t hashBytes) {
  return TableBits(hashBytes / 32, kVcfEntryBytes, 10, 16);
}

size_t MainTableBytes(size_t hashBytes) {
  const size_t sideBytes = (kVcfEntryBytes << VcfTableBits(hashBytes)) +
                           (kVctEntryBytes << VctTableBits(hashBytes)) +
                           (kVcfEntryBytes << VctInnerVcfBits(hashBytes));
  return hashBytes > sideBytes ? hashBytes - sideBytes : 0;
}

}  // namespace

struct StrongEngine::Impl {
  explicit Impl(size_t hashBytes)
      : table(MainTableBytes(hashBytes)),
        vcf(VcfTableBits(hashBytes)),
        vct(VctTableBits(hashBytes), VctInnerVcfBits(hashBytes)),
        searcher(table, vcf, vct) {}

  TranspositionTable table;
  VcfSearch vcf;
  VctSearch vct;
  Searcher searcher;
};

StrongEngine::StrongEngine(size_t hashBytes) : impl_(std::make_unique<Impl>(hashBytes)) {}
StrongEngine::~StrongEngine() = default;

void StrongEngine::SetHashBytes(size_t hashBytes) {
  impl_->table.Resize(MainTableBytes(hashBytes));
  impl_->vcf = VcfSearch(VcfTableBits(hashBytes));
  impl_->vct = VctSearch(VctTableBits(hashBytes), VctInnerVcfBits(hashBytes));
}

void StrongEngine::Clear() {
  impl_->table.Clear();
  impl_->vcf.Clear();
  impl_->vct.Clear();
  impl_->searcher.Clear();
}

SearchOutcome StrongEngine::Think(const SearchBoard& board, const SearchLimits& limits,
                                  const IterationCallback& onIteration) {
  // What earlier searches left in the tables would change the tree: a node
  // budget starts from nothing, for the same move on every call.
  if (limits.maxNodes) Clear();
  return impl_->searcher.Run(board, limits, onIteration);
}

SearchBoard SearchBoardFrom(const Stones& stones, uint8_t sideToMove) {
  SearchBoard result;
  for (int x = 0; x < kBoardSize; ++x) {
    for (int y = 0; y < kBoardSize; ++y) {
      const uint8_t stone = stones.At(x, y);
      if (stone == kPlayerX || stone == kPlayerO) result.Place(CellAt(x, y), stone);
    }
  }
  result.SetSideToMove(sideToMove);
  return result;
}

}  // namespace pentad::strong
