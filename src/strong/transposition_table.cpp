#include "strong/transposition_table.hpp"

#include <algorithm>
#include <bit>

namespace pentad::strong {
namespace {

uint64_t Pack(const TtEntry& entry) {
  return static_cast<uint64_t>(static_cast<uint16_t>(entry.move)) |
         static_cast<uint64_t>(static_cast<uint16_t>(entry.score)) << 16 |
         static_cast<uint64_t>(static_cast<uint8_t>(entry.depth)) << 32 |
         static_cast<uint64_t>(entry.bound) << 40 | static_cast<uint64_t>(entry.generation) << 48;
}

TtEntry Unpack(uint64_t key, uint64_t data) {
  TtEntry entry;
  entry.key = key;
  entry.move = static_cast<int16_t>(data & 0xFFFF);
  entry.score = static_cast<int16_t>((data >> 16) & 0xFFFF);
  entry.depth = static_cast<int8_t>((data >> 32) & 0xFF);
  entry.bound = static_cast<Bound>((data >> 40) & 0xFF);
  entry.generation = static_cast<uint8_t>((data >> 48) & 0xFF);
  return entry;
}

}  // namespace

TranspositionTable::TranspositionTable(size_t bytes) {
  Resize(bytes);
}

void TranspositionTable::Resize(size_t bytes) {
  const size_t fit = std::max<size_t>(bytes / sizeof(Bucket), 1);
  bucketCount_ = std::bit_floor(fit);
  buckets_.reset();
  buckets_ = std::make_unique<Bucket[]>(bucketCount_);
  mask_ = bucketCount_ - 1;
}

void TranspositionTable::Clear() {
  for (size_t i = 0; i < bucketCount_; ++i)
    for (Slot& slot : buckets_[i].slots) Write(slot, TtEntry{});
  generation_ = 0;
}

TtEntry TranspositionTable::Read(const Slot& slot) {
  const uint64_t data = slot.data.load(std::memory_order_relaxed);
  const uint64_t check = slot.check.load(std::memory_order_relaxed);
  return Unpack(check ^ data, data);
}

void TranspositionTable::Write(Slot& slot, const TtEntry& entry) {
  const uint64_t data = Pack(entry);
  slot.data.store(data, std::memory_order_relaxed);
  slot.check.store(entry.key ^ data, std::memory_order_relaxed);
}

std::optional<TtEntry> TranspositionTable::Probe(uint64_t key) const {
  for (const Slot& slot : BucketOf(key).slots) {
    const TtEntry entry = Read(slot);
    if (entry.key == key && entry.bound != Bound::kNone) return entry;
  }
  return std::nullopt;
}

// Depth counts, and every search the entry has outlived costs it four.
int TranspositionTable::Worth(const TtEntry& entry) const {
  if (entry.bound == Bound::kNone) return -1000;
  const int age = static_cast<uint8_t>(generation_ - entry.generation);
  return entry.depth - 4 * age;
}

void TranspositionTable::Store(uint64_t key, int move, int score, int depth, Bound bound) {
  Bucket& bucket = BucketOf(key);
  std::array<TtEntry, kWays> entries;
  for (int i = 0; i < kWays; ++i) entries[i] = Read(bucket.slots[i]);
  int victim = 0;
  for (int i = 0; i < kWays; ++i) {
    const TtEntry& entry = entries[i];
    if (entry.key == key) {
      victim = i;
      // A shallower result of the same search keeps the deeper one, but a
      // new exact score or a move where there was none is worth having.
      if (entry.generation == generation_ && depth < entry.depth && bound != Bound::kExact) return;
      if (move < 0) move = entry.move;
      break;
    }
    if (Worth(entry) < Worth(entries[victim])) victim = i;
  }
  Write(bucket.slots[victim],
        TtEntry{key, static_cast<int16_t>(move), static_cast<int16_t>(score),
                static_cast<int8_t>(std::clamp(depth, 0, 127)), bound, generation_});
}

}  // namespace pentad::strong
