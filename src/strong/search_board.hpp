// The strong engine's board: stones on a padded grid, and for every empty
// cell the line patterns and cell pattern of both sides, kept current move
// by move so that the search reads threats instead of scanning for them.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <utility>

#include "common/board_geometry.hpp"
#include "strong/line_patterns.hpp"

namespace pentad::strong {

// A border of walls as wide as a window's reach: the windows of board cells
// never leave the grid.
inline constexpr int kPadding = kWindowReach;
inline constexpr int kStride = kBoardSize + 2 * kPadding;
inline constexpr int kGridCells = kStride * kStride;
inline constexpr int kMaxMoves = kBoardSize * kBoardSize;
inline constexpr int kNoCell = -1;
// Where O's line patterns start in a cell's packed line patterns.
inline constexpr int kLineSideShift = 16;
// The patterns whose cells the board keeps as sets: fours and fives, which
// every node asks for. Threes and weaker patterns come and go with nearly
// every stone, so their cells are found by a scan when wanted.
inline constexpr CellPattern kFirstSetPattern = CellPattern::kFour;
inline constexpr int kSetPatternCount = kCellPatternCount - static_cast<int>(kFirstSetPattern);

// Grid steps of kDirections.
inline constexpr int kStep[4] = {1, kStride + 1, kStride, kStride - 1};

constexpr int CellAt(int x, int y) {
  return (y + kPadding) * kStride + x + kPadding;
}
constexpr int CellX(int cell) {
  return cell % kStride - kPadding;
}
constexpr int CellY(int cell) {
  return cell / kStride - kPadding;
}
// The steps between two cells on one line within a window's reach, marked
// by their grid difference. Two board cells are never as far apart as a
// row is wide minus a window's reach, so a difference within reach of one
// of these steps can only be that step.
inline constexpr int kMaxWindowStep = kWindowReach * (kStride + 1);
static_assert(kBoardSize - 1 < kStride - kWindowReach);

constexpr std::array<bool, 2 * kMaxWindowStep + 1> MakeWindowSteps() {
  std::array<bool, 2 * kMaxWindowStep + 1> steps{};
  for (const int step : kStep) {
    for (int k = -kWindowReach; k <= kWindowReach; ++k) steps[kMaxWindowStep + k * step] = true;
  }
  return steps;
}

inline constexpr auto kWindowSteps = MakeWindowSteps();

// Two board cells on one line within a window's reach: a stone on one
// changes the patterns of the other. Read at every node of the searches
// by fours and threats, hence a table rather than coordinates.
constexpr bool SameWindow(int a, int b) {
  const int difference = a - b;
  return difference >= -kMaxWindowStep && difference <= kMaxWindowStep &&
         kWindowSteps[kMaxWindowStep + difference];
}

// A set of grid cells, one bit each.
class CellSet {
 public:
  static constexpr int kWords = (kGridCells + 63) / 64;

  bool Contains(int cell) const { return (words_[cell >> 6] >> (cell & 63)) & 1; }
  void Insert(int cell) { words_[cell >> 6] |= uint64_t{1} << (cell & 63); }
  void Erase(int cell) { words_[cell >> 6] &= ~(uint64_t{1} << (cell & 63)); }
  bool Empty() const {
    for (uint64_t w : words_)
      if (w != 0) return false;
    return true;
  }
  // The lowest cell, kNoCell when empty.
  int First() const {
    for (int i = 0; i < kWords; ++i)
      if (words_[i] != 0) return i * 64 + std::countr_zero(words_[i]);
    return kNoCell;
  }
  CellSet& operator|=(const CellSet& other) {
    for (int i = 0; i < kWords; ++i) words_[i] |= other.words_[i];
    return *this;
  }
  CellSet& operator&=(const CellSet& other) {
    for (int i = 0; i < kWords; ++i) words_[i] &= other.words_[i];
    return *this;
  }
  int Size() const {
    int size = 0;
    for (uint64_t w : words_) size += std::popcount(w);
    return size;
  }
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (int i = 0; i < kWords; ++i) {
      for (uint64_t w = words_[i]; w != 0; w &= w - 1) visit(i * 64 + std::countr_zero(w));
    }
  }
  bool operator==(const CellSet&) const = default;

 private:
  std::array<uint64_t, kWords> words_{};
};

// A byte lane per cell pattern, for counting patterns without branches.
using PatternLanes = int8_t __attribute__((vector_size(16)));

class SearchBoard {
 public:
  using PatternPair = std::array<CellPattern, 2>;  // X's, O's

  // The empty board, X to move.
  SearchBoard();

  // Plays a stone of the side to move on an empty board cell and passes
  // the turn.
  void Make(int cell);
  // Takes back the last Make or Place.
  void Unmake();
  // Sets up a position: a stone of `player`, the turn unchanged.
  void Place(int cell, uint8_t player);
  void SetSideToMove(uint8_t player);

  uint8_t Stone(int cell) const { return stones_[cell]; }
  uint8_t SideToMove() const { return sideToMove_; }
  int StoneCount() const { return moveCount_; }
  uint64_t Hash() const { return hash_; }
  // The hash after the side to move plays `cell`, without playing it.
  uint64_t HashAfter(int cell) const;
  // The hash after the side to move plays `cell` and the opponent `reply`.
  uint64_t HashAfter(int cell, int reply) const;
  // Where `player`, with no five to play yet, completes five once it has
  // played `cell`, when `cell` makes exactly one four for it (a four alone
  // or with a three), read off the stones without playing: kNoCell for any
  // other cell.
  int FiveAfterFour(int cell, uint8_t player) const;
  // The pattern `player` would make at the empty `cell` were `stone`, an
  // empty cell on one of its lines within a window's reach, to hold a
  // stone of `owner`: what a move there would leave, without playing it.
  CellPattern CellPatternWith(int cell, uint8_t player, int stone, uint8_t owner) const;
  int LastMove() const { return moveCount_ > 0 ? history_[moveCount_ - 1].cell : kNoCell; }

  uint16_t LineKey(int cell, int direction) const { return keys_[cell][direction]; }
  // Meaningful for empty cells only.
  LinePattern LinePatternAt(int cell, int direction, uint8_t player) const {
    return static_cast<LinePattern>(
        state_[cell].lines >> (kLineSideShift * (player - 1) + kPackedLineBits * direction) & 7);
  }
  // The 4 line patterns of `player` packed 3 bits each, direction d in bits
  // 3d..3d+2; meaningful for empty cells only.
  uint32_t PackedLinePatternsAt(int cell, uint8_t player) const {
    return state_[cell].lines >> (kLineSideShift * (player - 1)) & 0xFFF;
  }
  // kNone for occupied cells.
  CellPattern CellPatternAt(int cell, uint8_t player) const {
    return state_[cell].patterns[player - 1];
  }
  // Empty cells where `player` makes `pattern`.
  int Count(uint8_t player, CellPattern pattern) const {
    return counts_[player - 1][static_cast<int>(pattern)];
  }
  // `pattern` is kFirstSetPattern or stronger.
  const CellSet& Cells(uint8_t player, CellPattern pattern) const {
    return cells_[player - 1][SetIndex(static_cast<int>(pattern))];
  }

 private:
  // Per side, a lane per pattern, padded to whole vectors.
  using Counts = std::array<std::array<int16_t, 16>, 2>;
  using WideCounts = int16_t __attribute__((vector_size(32)));
  // A move's count changes, a byte lane per pattern: a move changes the
  // patterns of 32 cells at most.
  using CountChanges = std::array<PatternLanes, 2>;
  struct Undo {
    int16_t cell;
    uint8_t sideToMove;
    int firstChange;  // in changes_
    // Put back whole: cheaper than counting every change back.
    Counts counts;
    PatternPair patterns;  // the cell's before the stone
  };
  // What a move changes at a cell, kept together so that it is saved and
  // restored in one piece.
  struct CellState {
    // Per side (X from bit 0, O from kLineSideShift) the line patterns of
    // the 4 directions packed as the cell pattern table wants.
    uint32_t lines;
    PatternPair patterns;  // kNone for occupied cells
  };
  // The cells whose windows hold a stone: 4 directions, 4 on each side.
  static constexpr int kSites = 4 * 2 * kWindowReach;
  // Per site of a stone, up to one change of each side's cell pattern.
  static constexpr int kMaxChanges = kMaxMoves * 2 * kSites;

  static constexpr int SetIndex(int pattern) {
    return pattern - static_cast<int>(kFirstSetPattern);
  }

  void PutStone(int cell, uint8_t player);
  template <int... Site>
  void MakeSites(int cell, uint32_t code, int move, CountChanges& countChanges,
                 std::integer_sequence<int, Site...>);
  template <int... Site>
  void UnmakeSites(int cell, uint32_t code, int move, std::integer_sequence<int, Site...>);
  template <int Site>
  void MakeSite(int stoneCell, uint32_t code, int move, CountChanges& countChanges);
  template <int Site>
  void UnmakeSite(int stoneCell, uint32_t code, int move);
  template <int Site>
  static int SiteCell(int stoneCell);
  template <int Site>
  uint16_t ToggleKey(int cell, uint32_t code);
  // Out of line: the unrolled sites stay small, and few cells need it.
  [[gnu::noinline]] void LogSetChanges(int cell, PatternPair old, PatternPair now);
  void MoveBetweenSets(int side, int cell, int old, int pattern);
  void CountCell(int cell);
  void UncountCell(int cell);

  std::array<uint8_t, kGridCells> stones_{};
  // Kept for every grid cell, walls and stones too: updating them all costs
  // less than telling them apart. Walls' keys are meaningless.
  std::array<std::array<uint16_t, 4>, kGridCells> keys_{};
  std::array<CellState, kGridCells> state_{};
  Counts counts_{};
  std::array<std::array<CellSet, kSetPatternCount>, 2> cells_{};
  std::array<Undo, kMaxMoves> history_{};
  // Per move, what it overwrote at its sites: taking it back puts them back
  // instead of looking the patterns up again.
  std::array<std::array<CellState, kSites>, kMaxMoves> saved_{};
  // The moves' changes into or out of the sets, each as cell (10 bits),
  // side (1) and the pattern before (4), replayed backwards by Unmake.
  // Sized for the worst case, 51 KB: boards are copied per search, not per
  // node.
  std::array<uint16_t, kMaxChanges> changes_{};
  int changeCount_ = 0;
  int moveCount_ = 0;
  uint8_t sideToMove_ = kPlayerX;
  uint64_t hash_ = 0;
};

// Visits the board's cells in ascending order, as CellSet::ForEach does.
template <typename Visit>
void ForEachBoardCell(Visit visit) {
  for (int y = 0; y < kBoardSize; ++y) {
    for (int cell = CellAt(0, y); cell <= CellAt(kBoardSize - 1, y); ++cell) visit(cell);
  }
}

// A position in the text of the position file: line y, character x is the
// cell (x, y), 'x' and 'o' the stones, anything else empty. Lines past the
// 20th and characters past the 20th of a line are ignored.
SearchBoard SearchBoardFromRows(std::string_view rows, uint8_t sideToMove);

}  // namespace pentad::strong
