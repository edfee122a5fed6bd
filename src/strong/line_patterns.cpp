#include "strong/line_patterns.hpp"

namespace pentad::strong {
namespace {

constexpr uint8_t CodeAt(int key, int offset) {
  return (key >> (2 * WindowSlot(offset))) & 3;
}

// Five through the centre, which X has just played, counting the X stones
// run on both sides.
constexpr bool MakesFive(int key) {
  int run = 1;
  for (int k = 1; k <= kWindowReach && CodeAt(key, k) == kPlayerX; ++k) ++run;
  for (int k = 1; k <= kWindowReach && CodeAt(key, -k) == kPlayerX; ++k) ++run;
  return run >= 5;
}

// What one more X stone in the window turns into, one step down: a move
// that makes an open four from this key makes it an open three, and so on.
constexpr LinePattern OneMoveBefore(LinePattern next) {
  switch (next) {
    case LinePattern::kOpenFour:
      return LinePattern::kOpenThree;
    case LinePattern::kFour:
      return LinePattern::kClosedThree;
    case LinePattern::kOpenThree:
      return LinePattern::kOpenTwo;
    case LinePattern::kClosedThree:
      return LinePattern::kClosedTwo;
    default:
      return LinePattern::kNone;
  }
}

// The halves of a key that occur: a wall, once met going outwards, goes on
// to the end of the window. Other keys keep kNone. Listed in descending
// order, `outwards` being the direction of the slots away from the centre.
struct Halves {
  int value[121];
  int count = 0;
};

constexpr Halves ReachableHalves(bool lowSlotsOutwards) {
  Halves halves{};
  for (int half = 255; half >= 0; --half) {
    bool wall = false;
    bool reachable = true;
    for (int i = 0; i < kWindowReach; ++i) {
      const int slot = lowSlotsOutwards ? kWindowReach - 1 - i : i;
      const bool here = ((half >> (2 * slot)) & 3) == kOffBoard;
      if (wall && !here) reachable = false;
      wall = here;
    }
    if (reachable) halves.value[halves.count++] = half;
  }
  return halves;
}

// X's pattern of a key, found by playing out the window: adding an X stone
// to an empty slot only raises the key, so the successors of a key were
// classified before it when the keys are walked downwards. X's patterns
// are the low nibbles of the table.
constexpr LinePattern Classify(int key, const LinePatternTable& table) {
  if (MakesFive(key)) return LinePattern::kFive;
  int fives = 0;
  LinePattern best = LinePattern::kNone;
  for (int slot = 0; slot < 2 * kWindowReach; ++slot) {
    if (((key >> (2 * slot)) & 3) != kEmpty) continue;
    const auto next = static_cast<LinePattern>(table[key + (1 << (2 * slot))]);
    if (next == LinePattern::kFive) ++fives;
    const LinePattern before = OneMoveBefore(next);
    if (before > best) best = before;
  }
  return fives >= 2 ? LinePattern::kOpenFour : fives == 1 ? LinePattern::kFour : best;
}

// O's key for a window is X's key with the two players' codes exchanged;
// empty (00) and wall (11) stay.
constexpr int SwapPlayers(int key) {
  return ((key & 0x5555) << 1 | (key & 0xAAAA) >> 1) & 0xFFFF;
}

// Kept lean: compilers bound the steps of a compile-time evaluation.
constexpr LinePatternTable BuildLinePatterns() {
  const Halves before = ReachableHalves(true);
  const Halves after = ReachableHalves(false);
  LinePatternTable table{};
  for (int a = 0; a < after.count; ++a) {
    for (int b = 0; b < before.count; ++b) {
      const int key = after.value[a] << 8 | before.value[b];
      table[key] = static_cast<uint8_t>(Classify(key, table));
    }
  }
  for (int a = 0; a < after.count; ++a) {
    for (int b = 0; b < before.count; ++b) {
      const int key = after.value[a] << 8 | before.value[b];
      table[key] |= static_cast<uint8_t>((table[SwapPlayers(key)] & 0xF) << 4);
    }
  }
  return table;
}

constexpr CellPattern Combine(int packed) {
  int count[kLinePatternCount] = {};
  for (int d = 0; d < 4; ++d) ++count[(packed >> (kPackedLineBits * d)) & 7];
  using L = LinePattern;
  auto n = [&count](L p) { return count[static_cast<int>(p)]; };
  const int fours = n(L::kFour) + n(L::kOpenFour);
  if (n(L::kFive) > 0) return CellPattern::kFive;
  if (n(L::kOpenFour) > 0) return CellPattern::kOpenFour;
  if (fours >= 2) return CellPattern::kDoubleFour;
  if (fours == 1) return n(L::kOpenThree) > 0 ? CellPattern::kFourThree : CellPattern::kFour;
  if (n(L::kOpenThree) >= 2) return CellPattern::kDoubleThree;
  if (n(L::kOpenThree) == 1) return CellPattern::kOpenThree;
  if (n(L::kClosedThree) > 0) return CellPattern::kClosedThree;
  if (n(L::kOpenTwo) >= 2) return CellPattern::kDoubleTwo;
  if (n(L::kOpenTwo) + n(L::kClosedTwo) > 0) return CellPattern::kTwo;
  return CellPattern::kNone;
}

constexpr CellPatternTable BuildCellPatterns() {
  CellPatternTable table{};
  for (int packed = 0; packed < static_cast<int>(table.size()); ++packed) {
    table[packed] = Combine(packed);
  }
  return table;
}

}  // namespace

constexpr LinePatternTable kLinePatterns = BuildLinePatterns();
constexpr CellPatternTable kCellPatterns = BuildCellPatterns();

}  // namespace pentad::strong
