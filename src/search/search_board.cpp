#include "search/search_board.hpp"

#include <utility>

namespace pentad::search {
namespace {

constexpr uint64_t SplitMix64(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

struct ZobristKeys {
  uint64_t stone[2][kGridCells];
  uint64_t oToMove;
};

constexpr ZobristKeys MakeZobristKeys() {
  ZobristKeys keys{};
  uint64_t state = 0x50454E544144ULL;
  for (auto& side : keys.stone)
    for (uint64_t& key : side) key = SplitMix64(state);
  keys.oToMove = SplitMix64(state);
  return keys;
}

constexpr ZobristKeys kZobrist = MakeZobristKeys();

constexpr bool OnGridBoard(int cell) {
  return OnBoard(CellX(cell), CellY(cell));
}

// A logged change keeps a grid cell in 10 bits.
static_assert(kGridCells <= 1 << 10);

// The 32 cells whose windows hold a stone: site i is in direction i / 8 at
// offset -4..-1, 1..4 from the stone.
constexpr int kSites = 4 * 2 * kWindowReach;

constexpr int SiteOffset(int site) {
  const int k = site % (2 * kWindowReach);
  return k < kWindowReach ? k - kWindowReach : k - kWindowReach + 1;
}

// A line pattern pair as the table has it (X low nibble, O high) put into
// lines_ at a direction's place, and what lines_ keeps of the others.
constexpr uint32_t PackedPair(int pair, int direction) {
  const auto x = static_cast<uint32_t>(pair & 7);
  const auto o = static_cast<uint32_t>(pair >> 4 & 7);
  return (x | o << kLineSideShift) << (kPackedLineBits * direction);
}

constexpr std::array<std::array<uint32_t, 256>, 4> MakePackedPairs() {
  std::array<std::array<uint32_t, 256>, 4> packed{};
  for (int d = 0; d < 4; ++d)
    for (int pair = 0; pair < 256; ++pair) packed[d][pair] = PackedPair(pair, d);
  return packed;
}

constexpr auto kPackedPairs = MakePackedPairs();
constexpr std::array<uint32_t, 4> kKeepLines = {~PackedPair(0x77, 0), ~PackedPair(0x77, 1),
                                                ~PackedPair(0x77, 2), ~PackedPair(0x77, 3)};

}  // namespace

SearchBoard::SearchBoard() {
  for (int cell = 0; cell < kGridCells; ++cell) {
    stones_[cell] = OnGridBoard(cell) ? kEmpty : kOffBoard;
  }
  for (int cell = 0; cell < kGridCells; ++cell) {
    if (!OnGridBoard(cell)) continue;
    for (int d = 0; d < 4; ++d) {
      uint16_t key = 0;
      for (int k = 1; k <= kWindowReach; ++k) {
        key |= WindowBits(k, stones_[cell + k * kStep[d]]);
        key |= WindowBits(-k, stones_[cell - k * kStep[d]]);
      }
      keys_[cell][d] = key;
    }
  }
  for (int cell = 0; cell < kGridCells; ++cell) {
    uint32_t lines = 0;
    for (int d = 0; d < 4; ++d) lines |= PackedPair(kLinePatterns[keys_[cell][d]], d);
    lines_[cell] = lines;
    if (OnGridBoard(cell)) CountCell(cell);
  }
}

void SearchBoard::Make(int cell) {
  PutStone(cell, sideToMove_);
  SetSideToMove(kOpponent[sideToMove_]);
}

void SearchBoard::Place(int cell, uint8_t player) {
  PutStone(cell, player);
}

uint64_t SearchBoard::HashAfter(int cell) const {
  return hash_ ^ kZobrist.stone[sideToMove_ - 1][cell] ^ kZobrist.oToMove;
}

void SearchBoard::SetSideToMove(uint8_t player) {
  if (player != sideToMove_) hash_ ^= kZobrist.oToMove;
  sideToMove_ = player;
}

void SearchBoard::PutStone(int cell, uint8_t player) {
  history_[moveCount_++] = Undo{static_cast<int16_t>(cell), sideToMove_, changeCount_};
  UncountCell(cell);
  stones_[cell] = player;
  hash_ ^= kZobrist.stone[player - 1][cell];
  UpdateSites<true>(cell, player, std::make_integer_sequence<int, kSites>{});
}

void SearchBoard::Unmake() {
  const Undo undo = history_[--moveCount_];
  const uint8_t player = stones_[undo.cell];
  stones_[undo.cell] = kEmpty;
  hash_ ^= kZobrist.stone[player - 1][undo.cell];
  UpdateSites<false>(undo.cell, player, std::make_integer_sequence<int, kSites>{});
  while (changeCount_ > undo.firstChange) {
    const uint16_t change = changes_[--changeCount_];
    const int cell = change & 0x3FF;
    const int side = change >> 10 & 1;
    const int old = change >> 11;
    MovePattern(side, cell, static_cast<int>(cellPatterns_[side][cell]), old);
  }
  CountCell(undo.cell);
  SetSideToMove(undo.sideToMove);
}

// Unrolled, so that every site's offset, direction and key bits are
// constants.
template <bool kMake, int... Site>
inline void SearchBoard::UpdateSites(int cell, uint32_t code, std::integer_sequence<int, Site...>) {
  (UpdateSite<kMake, Site>(cell, code), ...);
}

// XOR both adds a stone's code to the windows around it and takes it out.
// The padding is as wide as a window's reach, so every site is on the grid;
// walls and stones get keys and line patterns too, which costs less than
// telling them apart. Nearly every key change of an empty cell changes its
// line patterns, so they are rewritten without comparing. A move compares
// cell patterns and logs the changes; taking it back only replays the log.
template <bool kMake, int Site>
inline void SearchBoard::UpdateSite(int stoneCell, uint32_t code) {
  constexpr int kDirection = Site / (2 * kWindowReach);
  constexpr int kOffset = SiteOffset(Site);
  const int cell = stoneCell + kOffset * kStep[kDirection];
  const uint16_t key = keys_[cell][kDirection] ^=
      static_cast<uint16_t>(code << (2 * WindowSlot(-kOffset)));
  const uint32_t lines =
      (lines_[cell] & kKeepLines[kDirection]) | kPackedPairs[kDirection][kLinePatterns[key]];
  lines_[cell] = lines;
  if (!kMake || stones_[cell] != kEmpty) return;
  SetCellPattern(0, cell, kCellPatterns[lines & 0xFFF]);
  SetCellPattern(1, cell, kCellPatterns[lines >> kLineSideShift]);
}

inline void SearchBoard::SetCellPattern(int side, int cell, CellPattern pattern) {
  const CellPattern old = cellPatterns_[side][cell];
  // Only changes are logged and counted, about a third of the calls. Keep
  // the return whatever the shape: GCC 12.2 (-O1 and up) once deleted every
  // window update of a version without it (its modref and pure-const
  // analyses wrongly found the function stored nothing).
  if (old == pattern) return;
  changes_[changeCount_++] = static_cast<uint16_t>(cell | side << 10 | static_cast<int>(old) << 11);
  MovePattern(side, cell, static_cast<int>(old), static_cast<int>(pattern));
}

inline void SearchBoard::MovePattern(int side, int cell, int old, int pattern) {
  --counts_[side][old];
  cells_[side][old].Erase(cell);
  ++counts_[side][pattern];
  cells_[side][pattern].Insert(cell);
  cellPatterns_[side][cell] = static_cast<CellPattern>(pattern);
}

// An empty cell's patterns from its line patterns, and its place in the
// counts.
void SearchBoard::CountCell(int cell) {
  for (int side = 0; side < 2; ++side) {
    const CellPattern pattern = kCellPatterns[lines_[cell] >> (kLineSideShift * side) & 0xFFF];
    cellPatterns_[side][cell] = pattern;
    ++counts_[side][static_cast<int>(pattern)];
    cells_[side][static_cast<int>(pattern)].Insert(cell);
  }
}

void SearchBoard::UncountCell(int cell) {
  for (int side = 0; side < 2; ++side) {
    const CellPattern pattern = cellPatterns_[side][cell];
    --counts_[side][static_cast<int>(pattern)];
    cells_[side][static_cast<int>(pattern)].Erase(cell);
    cellPatterns_[side][cell] = CellPattern::kNone;
  }
}

SearchBoard SearchBoardFromRows(std::string_view rows, uint8_t sideToMove) {
  SearchBoard board;
  int x = 0;
  int y = 0;
  for (const char c : rows) {
    if (c == '\n') {
      x = 0;
      ++y;
      continue;
    }
    if (OnBoard(x, y) && (c == 'x' || c == 'o')) {
      board.Place(CellAt(x, y), c == 'x' ? kPlayerX : kPlayerO);
    }
    ++x;
  }
  board.SetSideToMove(sideToMove);
  return board;
}

}  // namespace pentad::search
