#include "strong/strong_engine.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <thread>
#include <vector>

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

// Each helper thread has a table of wins by fours as large as the main
// search's, and the small tables of a threat search it never runs.
constexpr int kHelperVctBits = 10;

size_t HelperTableBytes(size_t hashBytes) {
  return (kVcfEntryBytes << VcfTableBits(hashBytes)) + (kVctEntryBytes << kHelperVctBits) +
         (kVcfEntryBytes << kHelperVctBits);
}

size_t MainTableBytes(size_t hashBytes, int threads) {
  const size_t sideBytes = (kVcfEntryBytes << VcfTableBits(hashBytes)) +
                           (kVctEntryBytes << VctTableBits(hashBytes)) +
                           (kVcfEntryBytes << VctInnerVcfBits(hashBytes)) +
                           static_cast<size_t>(threads - 1) * HelperTableBytes(hashBytes);
  return hashBytes > sideBytes ? hashBytes - sideBytes : 0;
}

// A helper thread's own tables: its look for wins by fours at the leaves,
// and a threat search it never runs but the searcher is built with.
struct HelperWorker {
  explicit HelperWorker(TranspositionTable& table, size_t hashBytes)
      : vcf(VcfTableBits(hashBytes)),
        vct(kHelperVctBits, kHelperVctBits),
        searcher(table, vcf, vct) {}

  VcfSearch vcf;
  VctSearch vct;
  Searcher searcher;
  std::atomic<int64_t> nodes{0};
  std::thread thread;
};

// Lazy parallel search: each helper deepens on the main search's root moves
// with the same limits until the main search is done, the odd ones a depth
// ahead, and shares what it finds through the main table.
class HelperThreads : public SearchHelpers {
 public:
  explicit HelperThreads(std::vector<std::unique_ptr<HelperWorker>>& workers) : workers_(workers) {}

  void Start(const SearchBoard& board, const MoveList& rootMoves,
             const SearchLimits& limits) override {
    stop_ = false;
    mainDepth_ = 0;
    limits_ = limits;
    limits_.maxNodes.reset();
    limits_.softTime = limits.hardTime;
    limits_.stop = &stop_;
    board_ = board;
    rootMoves_ = rootMoves;
    for (size_t i = 0; i < workers_.size(); ++i) {
      HelperWorker& worker = *workers_[i];
      worker.nodes = 0;
      worker.thread = std::thread([this, &worker, i] {
        worker.searcher.RunHelper(board_, rootMoves_, limits_, static_cast<int>(i) + 1, mainDepth_,
                                  worker.nodes);
      });
    }
  }

  int64_t Stop() override {
    stop_ = true;
    for (auto& worker : workers_)
      if (worker->thread.joinable()) worker->thread.join();
    return Nodes();
  }

  void MainFinishedDepth(int depth) override { mainDepth_.store(depth, std::memory_order_relaxed); }

  int64_t Nodes() const override {
    int64_t total = 0;
    for (const auto& worker : workers_) total += worker->nodes.load(std::memory_order_relaxed);
    return total;
  }

 private:
  std::vector<std::unique_ptr<HelperWorker>>& workers_;
  std::atomic<bool> stop_{false};
  std::atomic<int> mainDepth_{0};
  SearchLimits limits_;
  SearchBoard board_;
  MoveList rootMoves_;
};

}  // namespace

struct StrongEngine::Impl {
  Impl(size_t hashBytes, int threads)
      : hashBytes(hashBytes),
        table(MainTableBytes(hashBytes, threads)),
        vcf(VcfTableBits(hashBytes)),
        vct(VctTableBits(hashBytes), VctInnerVcfBits(hashBytes)),
        searcher(table, vcf, vct),
        helperThreads(helpers) {
    MakeHelpers(threads);
  }

  void MakeHelpers(int threads) {
    helpers.clear();
    for (int i = 1; i < threads; ++i)
      helpers.push_back(std::make_unique<HelperWorker>(table, hashBytes));
  }

  size_t hashBytes;
  TranspositionTable table;
  VcfSearch vcf;
  VctSearch vct;
  Searcher searcher;
  std::vector<std::unique_ptr<HelperWorker>> helpers;
  HelperThreads helperThreads;
};

StrongEngine::StrongEngine(size_t hashBytes, int threads)
    : impl_(std::make_unique<Impl>(hashBytes, std::clamp(threads, 1, kMaxThreads))) {}
StrongEngine::~StrongEngine() = default;

void StrongEngine::SetHashBytes(size_t hashBytes) {
  impl_->hashBytes = hashBytes;
  impl_->table.Resize(MainTableBytes(hashBytes, Threads()));
  impl_->vcf = VcfSearch(VcfTableBits(hashBytes));
  impl_->vct = VctSearch(VctTableBits(hashBytes), VctInnerVcfBits(hashBytes));
  impl_->MakeHelpers(Threads());
}

void StrongEngine::SetThreads(int threads) {
  threads = std::clamp(threads, 1, kMaxThreads);
  if (threads == Threads()) return;
  impl_->table.Resize(MainTableBytes(impl_->hashBytes, threads));
  impl_->MakeHelpers(threads);
}

int StrongEngine::Threads() const {
  return static_cast<int>(impl_->helpers.size()) + 1;
}

void StrongEngine::Clear() {
  impl_->table.Clear();
  impl_->vcf.Clear();
  impl_->vct.Clear();
  impl_->searcher.Clear();
  for (auto& helper : impl_->helpers) {
    helper->vcf.Clear();
    helper->searcher.Clear();
  }
}

SearchOutcome StrongEngine::Think(const SearchBoard& board, const SearchLimits& limits,
                                  const IterationCallback& onIteration) {
  // What earlier searches left in the tables would change the tree: a node
  // budget starts from nothing, for the same move on every call.
  if (limits.maxNodes) Clear();
  SearchHelpers* helpers = impl_->helpers.empty() ? nullptr : &impl_->helperThreads;
  return impl_->searcher.Run(board, limits, onIteration, helpers);
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
