#include "strong/search_board.hpp"

#include <cstring>
#include <utility>

namespace pentad::strong {
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

// Site i of a stone is in direction i / 8 at offset -4..-1, 1..4 from it.
constexpr int SiteDirection(int site) {
  return site / (2 * kWindowReach);
}

constexpr int SiteOffset(int site) {
  const int k = site % (2 * kWindowReach);
  return k < kWindowReach ? k - kWindowReach : k - kWindowReach + 1;
}

// A line pattern pair as the table has it (X low nibble, O high) put into
// a cell's packed lines at a direction's place, and what they keep of the others.
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

// A cell's packed lines with one direction's taken from a new window key.
inline uint32_t LinesWithKey(uint32_t lines, int direction, uint16_t key) {
  return (lines & kKeepLines[direction]) | kPackedPairs[direction][kLinePatterns[key]];
}

// A one in a pattern's byte lane.
constexpr std::array<std::array<int8_t, 16>, kCellPatternCount> MakePatternUnits() {
  std::array<std::array<int8_t, 16>, kCellPatternCount> units{};
  for (int p = 0; p < kCellPatternCount; ++p) units[p][p] = 1;
  return units;
}

alignas(16) constexpr auto kPatternUnits = MakePatternUnits();

PatternLanes PatternLane(CellPattern pattern) {
  PatternLanes lane;
  std::memcpy(&lane, kPatternUnits[static_cast<int>(pattern)].data(), sizeof lane);
  return lane;
}

constexpr bool MovesBetweenSets(CellPattern old, CellPattern now) {
  return old != now && (old >= kFirstSetPattern || now >= kFirstSetPattern);
}

// Whether a cell's patterns changed while one of them, before or after, is
// kept in a set: one branch for both sides, with the bytes compared by
// carries into their top bits (patterns are below 128). LogSetChanges then
// tells the sides apart.
bool MayMoveBetweenSets(SearchBoard::PatternPair old, SearchBoard::PatternPair now) {
  uint16_t before;
  uint16_t after;
  std::memcpy(&before, old.data(), sizeof before);
  std::memcpy(&after, now.data(), sizeof after);
  constexpr uint32_t kRaise = (0x80 - static_cast<uint32_t>(kFirstSetPattern)) * 0x01010101u;
  const uint32_t four = before | static_cast<uint32_t>(after) << 16;
  return (before != after) & (((four + kRaise) & 0x80808080u) != 0);
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
  }
  for (int cell = 0; cell < kGridCells; ++cell) {
    uint32_t lines = 0;
    for (int d = 0; d < 4; ++d) lines |= PackedPair(kLinePatterns[keys_[cell][d]], d);
    state_[cell].lines = lines;
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

uint64_t SearchBoard::HashAfter(int cell, int reply) const {
  return hash_ ^ kZobrist.stone[sideToMove_ - 1][cell] ^
         kZobrist.stone[kOpponent[sideToMove_] - 1][reply];
}

// Only the four's own line can hold the five: a five on another line
// through `cell` would make it a double four.
int SearchBoard::FiveAfterFour(int cell, uint8_t player) const {
  const CellPattern pattern = CellPatternAt(cell, player);
  if (pattern != CellPattern::kFour && pattern != CellPattern::kFourThree) return kNoCell;
  int direction = 0;
  while (direction < 4 && LinePatternAt(cell, direction, player) != LinePattern::kFour) {
    ++direction;
  }
  if (direction == 4) return kNoCell;
  const int step = kStep[direction];
  auto ownOrPlayed = [&](int at) { return at == cell || stones_[at] == player; };
  auto runFrom = [&](int at, int by) {
    int run = 0;
    for (at += by; ownOrPlayed(at); at += by) ++run;
    return run;
  };
  int five = kNoCell;
  for (int k = -kWindowReach; k <= kWindowReach; ++k) {
    const int at = cell + k * step;
    if (k == 0 || stones_[at] != kEmpty) continue;
    if (1 + runFrom(at, step) + runFrom(at, -step) < 5) continue;
    if (five != kNoCell) return kNoCell;
    five = at;
  }
  return five;
}

// Within a window's reach one direction and offset alone give the grid
// difference between the cells (as for SameWindow); the stone changes the
// key of that direction only, as a move there would.
CellPattern SearchBoard::CellPatternWith(int cell, uint8_t player, int stone, uint8_t owner) const {
  const int offset = stone - cell;
  for (int d = 0; d < 4; ++d) {
    const int k = offset / kStep[d];
    if (k * kStep[d] != offset || k == 0 || k < -kWindowReach || k > kWindowReach) continue;
    const auto key = static_cast<uint16_t>(keys_[cell][d] ^ WindowBits(k, owner));
    const uint32_t lines = LinesWithKey(state_[cell].lines, d, key);
    return kCellPatterns[lines >> (kLineSideShift * (player - 1)) & 0xFFF];
  }
  return CellPatternAt(cell, player);
}

void SearchBoard::SetSideToMove(uint8_t player) {
  if (player != sideToMove_) hash_ ^= kZobrist.oToMove;
  sideToMove_ = player;
}

void SearchBoard::PutStone(int cell, uint8_t player) {
  const int move = moveCount_++;
  history_[move] =
      Undo{static_cast<int16_t>(cell), sideToMove_, changeCount_, counts_, state_[cell].patterns};
  UncountCell(cell);
  stones_[cell] = player;
  hash_ ^= kZobrist.stone[player - 1][cell];
  CountChanges countChanges{};
  MakeSites(cell, player, move, countChanges, std::make_integer_sequence<int, kSites>{});
  for (int side = 0; side < 2; ++side) {
    WideCounts counts;
    std::memcpy(&counts, counts_[side].data(), sizeof counts);
    counts += __builtin_convertvector(countChanges[side], WideCounts);
    std::memcpy(counts_[side].data(), &counts, sizeof counts);
  }
}

void SearchBoard::Unmake() {
  const int move = --moveCount_;
  const Undo& undo = history_[move];
  const uint8_t player = stones_[undo.cell];
  stones_[undo.cell] = kEmpty;
  hash_ ^= kZobrist.stone[player - 1][undo.cell];
  // The sets first: they read the patterns the move made.
  while (changeCount_ > undo.firstChange) {
    const uint16_t change = changes_[--changeCount_];
    const int cell = change & 0x3FF;
    const int side = change >> 10 & 1;
    const int old = change >> 11;
    MoveBetweenSets(side, cell, static_cast<int>(state_[cell].patterns[side]), old);
  }
  UnmakeSites(undo.cell, player, move, std::make_integer_sequence<int, kSites>{});
  state_[undo.cell].patterns = undo.patterns;
  for (int side = 0; side < 2; ++side) {
    MoveBetweenSets(side, undo.cell, static_cast<int>(CellPattern::kNone),
                    static_cast<int>(undo.patterns[side]));
  }
  counts_ = undo.counts;
  SetSideToMove(undo.sideToMove);
}

// Unrolled, so that every site's offset, direction and key bits are
// constants.
template <int... Site>
inline void SearchBoard::MakeSites(int cell, uint32_t code, int move, CountChanges& countChanges,
                                   std::integer_sequence<int, Site...>) {
  (MakeSite<Site>(cell, code, move, countChanges), ...);
}

template <int... Site>
inline void SearchBoard::UnmakeSites(int cell, uint32_t code, int move,
                                     std::integer_sequence<int, Site...>) {
  (UnmakeSite<Site>(cell, code, move), ...);
}

// XOR both adds a stone's code to the windows around it and takes it out.
// The padding is as wide as a window's reach, so every site is on the grid;
// walls and stones get keys and line patterns too, which costs less than
// telling them apart. Nearly every key change of an empty cell changes its
// line patterns, so they are rewritten without comparing. The counts change
// by lanes, without a branch: which patterns change is too random to
// predict. What the move overwrites is kept for taking it back.
template <int Site>
inline void SearchBoard::MakeSite(int stoneCell, uint32_t code, int move,
                                  CountChanges& countChanges) {
  const int cell = SiteCell<Site>(stoneCell);
  const uint16_t key = ToggleKey<Site>(cell, code);
  saved_[move][Site] = state_[cell];
  const PatternPair old = state_[cell].patterns;
  constexpr int kDirection = SiteDirection(Site);
  const uint32_t lines = LinesWithKey(state_[cell].lines, kDirection, key);
  state_[cell].lines = lines;
  if (stones_[cell] != kEmpty) return;
  const PatternPair now = {kCellPatterns[lines & 0xFFF], kCellPatterns[lines >> kLineSideShift]};
  state_[cell].patterns = now;
  countChanges[0] += PatternLane(now[0]) - PatternLane(old[0]);
  countChanges[1] += PatternLane(now[1]) - PatternLane(old[1]);
  if (MayMoveBetweenSets(old, now)) LogSetChanges(cell, old, now);
}

// Puts back what MakeSite overwrote, instead of looking it up again.
template <int Site>
inline void SearchBoard::UnmakeSite(int stoneCell, uint32_t code, int move) {
  const int cell = SiteCell<Site>(stoneCell);
  ToggleKey<Site>(cell, code);
  state_[cell] = saved_[move][Site];
}

template <int Site>
inline int SearchBoard::SiteCell(int stoneCell) {
  return stoneCell + SiteOffset(Site) * kStep[SiteDirection(Site)];
}

// The site's key with the stone's code added or taken out.
template <int Site>
inline uint16_t SearchBoard::ToggleKey(int cell, uint32_t code) {
  constexpr int kSlot = WindowSlot(-SiteOffset(Site));
  return keys_[cell][SiteDirection(Site)] ^= static_cast<uint16_t>(code << (2 * kSlot));
}

void SearchBoard::LogSetChanges(int cell, PatternPair old, PatternPair now) {
  for (int side = 0; side < 2; ++side) {
    if (!MovesBetweenSets(old[side], now[side])) continue;
    changes_[changeCount_++] =
        static_cast<uint16_t>(cell | side << 10 | static_cast<int>(old[side]) << 11);
    MoveBetweenSets(side, cell, static_cast<int>(old[side]), static_cast<int>(now[side]));
  }
}

inline void SearchBoard::MoveBetweenSets(int side, int cell, int old, int pattern) {
  constexpr int kFirst = static_cast<int>(kFirstSetPattern);
  if (old >= kFirst) cells_[side][SetIndex(old)].Erase(cell);
  if (pattern >= kFirst) cells_[side][SetIndex(pattern)].Insert(cell);
}

// An empty cell's patterns from its line patterns, and its place in the
// counts and sets.
void SearchBoard::CountCell(int cell) {
  for (int side = 0; side < 2; ++side) {
    const CellPattern pattern =
        kCellPatterns[state_[cell].lines >> (kLineSideShift * side) & 0xFFF];
    state_[cell].patterns[side] = pattern;
    ++counts_[side][static_cast<int>(pattern)];
    MoveBetweenSets(side, cell, static_cast<int>(CellPattern::kNone), static_cast<int>(pattern));
  }
}

void SearchBoard::UncountCell(int cell) {
  for (int side = 0; side < 2; ++side) {
    const CellPattern pattern = state_[cell].patterns[side];
    --counts_[side][static_cast<int>(pattern)];
    MoveBetweenSets(side, cell, static_cast<int>(pattern), static_cast<int>(CellPattern::kNone));
    state_[cell].patterns[side] = CellPattern::kNone;
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

}  // namespace pentad::strong
