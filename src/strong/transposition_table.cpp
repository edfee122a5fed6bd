#include "strong/transposition_table.hpp"

#include <algorithm>
#include <bit>

namespace pentad::strong {

TranspositionTable::TranspositionTable(size_t bytes) {
  Resize(bytes);
}

void TranspositionTable::Resize(size_t bytes) {
  const size_t fit = std::max<size_t>(bytes / sizeof(Bucket), 1);
  const size_t count = std::bit_floor(fit);
  buckets_.assign(count, Bucket{});
  buckets_.shrink_to_fit();
  mask_ = count - 1;
}

void TranspositionTable::Clear() {
  std::fill(buckets_.begin(), buckets_.end(), Bucket{});
  generation_ = 0;
}

const TtEntry* TranspositionTable::Probe(uint64_t key) const {
  for (const TtEntry& entry : BucketOf(key).entries) {
    if (entry.key == key && entry.bound != Bound::kNone) return &entry;
  }
  return nullptr;
}

// Depth counts, and every search the entry has outlived costs it four.
int TranspositionTable::Worth(const TtEntry& entry) const {
  if (entry.bound == Bound::kNone) return -1000;
  const int age = static_cast<uint8_t>(generation_ - entry.generation);
  return entry.depth - 4 * age;
}

void TranspositionTable::Store(uint64_t key, int move, int score, int depth, Bound bound) {
  Bucket& bucket = BucketOf(key);
  TtEntry* victim = &bucket.entries[0];
  for (TtEntry& entry : bucket.entries) {
    if (entry.key == key) {
      victim = &entry;
      // A shallower result of the same search keeps the deeper one, but a
      // new exact score or a move where there was none is worth having.
      if (entry.generation == generation_ && depth < entry.depth && bound != Bound::kExact) return;
      if (move < 0) move = entry.move;
      break;
    }
    if (Worth(entry) < Worth(*victim)) victim = &entry;
  }
  *victim = TtEntry{key,
                    static_cast<int16_t>(move),
                    static_cast<int16_t>(score),
                    static_cast<int8_t>(std::clamp(depth, 0, 127)),
                    bound,
                    generation_};
}

}  // namespace pentad::strong
