// Positions already searched, by Zobrist hash: a bound on their score and
// the best move found, so that deeper iterations and transpositions start
// from what is known. One table serves every search thread at once: an
// entry is two atomic words, the second the key mixed with the first, so
// that a read torn by another thread's write is told from a real entry and
// ignored, without a lock.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace pentad::strong {

enum class Bound : uint8_t { kNone, kUpper, kLower, kExact };

struct TtEntry {
  uint64_t key = 0;
  int16_t move = -1;
  int16_t score = 0;
  int8_t depth = 0;
  Bound bound = Bound::kNone;
  uint8_t generation = 0;
};

class TranspositionTable {
 public:
  // The largest power-of-two number of buckets that fits in `bytes`.
  explicit TranspositionTable(size_t bytes);

  void Resize(size_t bytes);
  void Clear();
  // Entries of older searches give way first.
  void NewSearch() { ++generation_; }

  // The entry of `key`, if any.
  std::optional<TtEntry> Probe(uint64_t key) const;
  // Keeps the deeper result unless the old one is from an earlier search.
  void Store(uint64_t key, int move, int score, int depth, Bound bound);

  size_t Bytes() const { return bucketCount_ * sizeof(Bucket); }

 private:
  static constexpr int kWays = 4;
  struct Slot {
    std::atomic<uint64_t> check{0};  // the key XOR data
    std::atomic<uint64_t> data{0};
  };
  struct alignas(64) Bucket {
    std::array<Slot, kWays> slots;
  };

  Bucket& BucketOf(uint64_t key) const { return buckets_[key & mask_]; }
  static TtEntry Read(const Slot& slot);
  static void Write(Slot& slot, const TtEntry& entry);
  int Worth(const TtEntry& entry) const;

  std::unique_ptr<Bucket[]> buckets_;
  size_t bucketCount_ = 0;
  uint64_t mask_ = 0;
  uint8_t generation_ = 0;
};

}  // namespace pentad::strong
