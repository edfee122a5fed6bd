// The strong engine's board: stones on a padded grid, and for every empty
// cell the line patterns and cell pattern of both sides, kept current move
// by move so that the search reads threats instead of scanning for them.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <utility>

#include "board/board.hpp"
#include "search/patterns.hpp"

namespace pentad::search {

// A border of walls as wide as a window's reach: the windows of board cells
// never leave the grid.
inline constexpr int kPadding = kWindowReach;
inline constexpr int kStride = kBoardSize + 2 * kPadding;
inline constexpr int kGridCells = kStride * kStride;
inline constexpr int kMaxMoves = kBoardSize * kBoardSize;
inline constexpr int kNoCell = -1;
// Where O's line patterns start in a cell's packed line patterns.
inline constexpr int kLineSideShift = 16;

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

class SearchBoard {
 public:
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
  int LastMove() const { return moveCount_ > 0 ? history_[moveCount_ - 1].cell : kNoCell; }

  uint16_t LineKey(int cell, int direction) const { return keys_[cell][direction]; }
  // Meaningful for empty cells only.
  LinePattern LinePatternAt(int cell, int direction, uint8_t player) const {
    return static_cast<LinePattern>(
        lines_[cell] >> (kLineSideShift * (player - 1) + kPackedLineBits * direction) & 7);
  }
  // kNone for occupied cells.
  CellPattern CellPatternAt(int cell, uint8_t player) const {
    return cellPatterns_[player - 1][cell];
  }
  // Empty cells where `player` makes `pattern`.
  int Count(uint8_t player, CellPattern pattern) const {
    return counts_[player - 1][static_cast<int>(pattern)];
  }
  const CellSet& Cells(uint8_t player, CellPattern pattern) const {
    return cells_[player - 1][static_cast<int>(pattern)];
  }

 private:
  struct Undo {
    int16_t cell;
    uint8_t sideToMove;
    int firstChange;  // in changes_
  };
  // Per site of a stone, up to one change of each side's cell pattern.
  static constexpr int kMaxChanges = kMaxMoves * 2 * 8 * kWindowReach;

  void PutStone(int cell, uint8_t player);
  template <bool kMake, int... Site>
  void UpdateSites(int cell, uint32_t code, std::integer_sequence<int, Site...>);
  template <bool kMake, int Site>
  void UpdateSite(int stoneCell, uint32_t code);
  void SetCellPattern(int side, int cell, CellPattern pattern);
  void MovePattern(int side, int cell, int old, int pattern);
  void CountCell(int cell);
  void UncountCell(int cell);

  std::array<uint8_t, kGridCells> stones_{};
  // Kept for every grid cell, walls and stones too: updating them all costs
  // less than telling them apart. Walls' keys are meaningless.
  std::array<std::array<uint16_t, 4>, kGridCells> keys_{};
  // Per side (X from bit 0, O from kLineSideShift) the line patterns of the
  // 4 directions packed as the cell pattern table wants.
  std::array<uint32_t, kGridCells> lines_{};
  std::array<std::array<CellPattern, kGridCells>, 2> cellPatterns_{};
  std::array<std::array<int16_t, kCellPatternCount>, 2> counts_{};
  std::array<std::array<CellSet, kCellPatternCount>, 2> cells_{};
  std::array<Undo, kMaxMoves> history_{};
  // The cell pattern changes of the moves made, each as cell (10 bits),
  // side (1) and the pattern before (4): taking a move back replays them
  // instead of comparing patterns again. Sized for the worst case, 51 KB:
  // boards are copied per search, not per node.
  std::array<uint16_t, kMaxChanges> changes_{};
  int changeCount_ = 0;
  int moveCount_ = 0;
  uint8_t sideToMove_ = kPlayerX;
  uint64_t hash_ = 0;
};

// A position in the text of the position file: line y, character x is the
// cell (x, y), 'x' and 'o' the stones, anything else empty. Lines past the
// 20th and characters past the 20th of a line are ignored.
SearchBoard SearchBoardFromRows(std::string_view rows, uint8_t sideToMove);

}  // namespace pentad::search
