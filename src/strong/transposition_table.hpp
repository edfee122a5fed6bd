// Positions already searched, by Zobrist hash: a bound on their score and
// the best move found, so that deeper iterations and transpositions start
// from what is known. One table can serve several searchers: it holds no
// searcher state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

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

  // The entry of `key`, or nullptr.
  const TtEntry* Probe(uint64_t key) const;
  // Keeps the deeper result unless the old one is from an earlier search.
  void Store(uint64_t key, int move, int score, int depth, Bound bound);

  size_t Bytes() const { return buckets_.size() * sizeof(Bucket); }

 private:
  static constexpr int kWays = 4;
  struct alignas(64) Bucket {
    std::array<TtEntry, kWays> entries;
  };

  Bucket& BucketOf(uint64_t key) { return buckets_[key & mask_]; }
  const Bucket& BucketOf(uint64_t key) const { return buckets_[key & mask_]; }
  int Worth(const TtEntry& entry) const;

  std::vector<Bucket> buckets_;
  uint64_t mask_ = 0;
  uint8_t generation_ = 0;
};

}  // namespace pentad::strong
