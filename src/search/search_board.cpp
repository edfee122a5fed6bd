#include "search/search_board.hpp"

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
    CountCell(cell);
  }
}

void SearchBoard::Make(int cell) {
  PutStone(cell, sideToMove_);
  SetSideToMove(kOpponent[sideToMove_]);
}

void SearchBoard::Place(int cell, uint8_t player) {
  PutStone(cell, player);
}

void SearchBoard::SetSideToMove(uint8_t player) {
  if (player != sideToMove_) hash_ ^= kZobrist.oToMove;
  sideToMove_ = player;
}

void SearchBoard::PutStone(int cell, uint8_t player) {
  history_[moveCount_++] = Undo{static_cast<int16_t>(cell), sideToMove_};
  UncountCell(cell);
  stones_[cell] = player;
  hash_ ^= kZobrist.stone[player - 1][cell];
  XorIntoWindows(cell, player);
}

void SearchBoard::Unmake() {
  const Undo undo = history_[--moveCount_];
  const uint8_t player = stones_[undo.cell];
  stones_[undo.cell] = kEmpty;
  hash_ ^= kZobrist.stone[player - 1][undo.cell];
  XorIntoWindows(undo.cell, player);
  CountCell(undo.cell);
  SetSideToMove(undo.sideToMove);
}

// XOR both adds a stone's code to the windows around it and takes it out.
// Past the first wall there are only walls, whose windows are never read.
void SearchBoard::XorIntoWindows(int cell, uint8_t code) {
  for (int d = 0; d < 4; ++d) {
    const int step = kStep[d];
    for (int k = 1; k <= kWindowReach && stones_[cell + k * step] != kOffBoard; ++k) {
      XorIntoWindow(cell + k * step, d, WindowBits(-k, code));
    }
    for (int k = 1; k <= kWindowReach && stones_[cell - k * step] != kOffBoard; ++k) {
      XorIntoWindow(cell - k * step, d, WindowBits(k, code));
    }
  }
}

// Most changes of a key change neither side's pattern; those cost a look-up.
inline void SearchBoard::XorIntoWindow(int cell, int direction, uint16_t bits) {
  const uint16_t key = keys_[cell][direction] ^= bits;
  if (stones_[cell] != kEmpty) return;
  const uint8_t pair = kLinePatterns[key];
  const uint8_t old = linePairs_[cell][direction];
  if (pair == old) return;
  linePairs_[cell][direction] = pair;
  if ((pair ^ old) & 0x0F) SetLinePattern(0, cell, direction, pair & 0x0F);
  if ((pair ^ old) & 0xF0) SetLinePattern(1, cell, direction, pair >> 4);
}

inline void SearchBoard::SetLinePattern(int side, int cell, int direction, int pattern) {
  const int shift = kPackedLineBits * direction;
  const auto packed =
      static_cast<uint16_t>((lines_[side][cell] & ~(7 << shift)) | pattern << shift);
  lines_[side][cell] = packed;
  SetCellPattern(side, cell, kCellPatterns[packed]);
}

inline void SearchBoard::SetCellPattern(int side, int cell, CellPattern pattern) {
  const CellPattern old = cellPatterns_[side][cell];
  // Keep this return. Without it GCC 12.2 (-O1 and up) deletes every call
  // of XorIntoWindows: its interprocedural side-effect analysis (modref and
  // pure-const; disabling both fixes it) wrongly finds the function stores
  // nothing. The code without the return is defined behaviour: the
  // sanitizers, clang and GCC at -O0/-Og all agree with the tests.
  if (old == pattern) return;
  --counts_[side][static_cast<int>(old)];
  cells_[side][static_cast<int>(old)].Erase(cell);
  ++counts_[side][static_cast<int>(pattern)];
  cells_[side][static_cast<int>(pattern)].Insert(cell);
  cellPatterns_[side][cell] = pattern;
}

// An empty cell's patterns from its keys, and its place in the counts.
void SearchBoard::CountCell(int cell) {
  for (int d = 0; d < 4; ++d) linePairs_[cell][d] = kLinePatterns[keys_[cell][d]];
  for (int side = 0; side < 2; ++side) {
    uint16_t packed = 0;
    for (int d = 0; d < 4; ++d) {
      packed |= ((linePairs_[cell][d] >> (4 * side)) & 7) << (kPackedLineBits * d);
    }
    lines_[side][cell] = packed;
    const CellPattern pattern = kCellPatterns[packed];
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
