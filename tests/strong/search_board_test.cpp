#include "strong/search_board.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace pentad::strong {
namespace {

using C = CellPattern;

// The window key read off the stones, independent of the incremental path.
uint16_t KeyFromStones(const SearchBoard& board, int cell, int direction) {
  uint16_t key = 0;
  for (int k = 1; k <= kWindowReach; ++k) {
    key |= WindowBits(k, board.Stone(cell + k * kStep[direction]));
    key |= WindowBits(-k, board.Stone(cell - k * kStep[direction]));
  }
  return key;
}

::testing::AssertionResult SameState(const SearchBoard& a, const SearchBoard& b) {
  if (a.Hash() != b.Hash()) return ::testing::AssertionFailure() << "hash";
  if (a.SideToMove() != b.SideToMove()) return ::testing::AssertionFailure() << "side";
  for (int x = 0; x < kBoardSize; ++x) {
    for (int y = 0; y < kBoardSize; ++y) {
      const int cell = CellAt(x, y);
      if (a.Stone(cell) != b.Stone(cell)) return ::testing::AssertionFailure() << "stone";
      for (int d = 0; d < 4; ++d) {
        const uint16_t key = KeyFromStones(a, cell, d);
        if (a.LineKey(cell, d) != key || b.LineKey(cell, d) != key) {
          return ::testing::AssertionFailure() << "key at " << x << "," << y;
        }
        for (uint8_t p : {kPlayerX, kPlayerO}) {
          if (a.Stone(cell) == kEmpty && (a.LinePatternAt(cell, d, p) != LinePatternOf(key, p) ||
                                          b.LinePatternAt(cell, d, p) != LinePatternOf(key, p)))
            return ::testing::AssertionFailure() << "line pattern at " << x << "," << y;
        }
      }
      for (uint8_t p : {kPlayerX, kPlayerO}) {
        if (a.CellPatternAt(cell, p) != b.CellPatternAt(cell, p))
          return ::testing::AssertionFailure() << "cell pattern at " << x << "," << y;
      }
    }
  }
  // Counts and sets agree with the cell patterns, which agree between a and b.
  for (uint8_t p : {kPlayerX, kPlayerO}) {
    for (int c = 0; c < kCellPatternCount; ++c) {
      const auto pattern = static_cast<CellPattern>(c);
      CellSet cells;
      for (int x = 0; x < kBoardSize; ++x)
        for (int y = 0; y < kBoardSize; ++y)
          if (a.Stone(CellAt(x, y)) == kEmpty && a.CellPatternAt(CellAt(x, y), p) == pattern)
            cells.Insert(CellAt(x, y));
      if (a.Count(p, pattern) != cells.Size() || b.Count(p, pattern) != cells.Size())
        return ::testing::AssertionFailure() << "count of pattern " << c;
      if (pattern >= kFirstSetPattern &&
          (a.Cells(p, pattern) != cells || b.Cells(p, pattern) != cells))
        return ::testing::AssertionFailure() << "cells of pattern " << c;
    }
  }
  return ::testing::AssertionSuccess();
}

// The same stones placed in the opposite order, from scratch.
SearchBoard Replaced(const std::vector<int>& moves, const SearchBoard& played) {
  SearchBoard board;
  for (auto it = moves.rbegin(); it != moves.rend(); ++it) board.Place(*it, played.Stone(*it));
  board.SetSideToMove(played.SideToMove());
  return board;
}

// Crowded games near the centre, so that every kind of pattern comes up;
// the seed is fixed, the draws machine-independent.
TEST(SearchBoardTest, IncrementalStateMatchesAnyOrderAndUnmakesExactly) {
  std::mt19937 rng(20240611);
  const SearchBoard empty;
  for (int game = 0; game < 20; ++game) {
    SearchBoard board;
    std::vector<int> moves;
    const int span = 9 + game % 8;
    const int low = game % 2 == 0 ? (kBoardSize - span) / 2 : 0;  // odd games hug the edge
    while (moves.size() < 70) {
      const int cell =
          CellAt(low + static_cast<int>(rng() % span), low + static_cast<int>(rng() % span));
      if (board.Stone(cell) != kEmpty) continue;
      board.Make(cell);
      moves.push_back(cell);
      if (moves.size() % 7 == 0) {
        ASSERT_TRUE(SameState(board, Replaced(moves, board))) << "game " << game;
      }
    }
    while (!moves.empty()) {
      board.Unmake();
      moves.pop_back();
    }
    ASSERT_TRUE(SameState(board, empty)) << "game " << game;
  }
}

// What a four leaves to block, what the block then makes for the other
// side, and the hash after the block, read without playing, against the
// board after both moves: every cell of crowded games where a side with
// no five to play makes a single four.
TEST(SearchBoardTest, TheFiveAFourLeavesIsReadWithoutPlaying) {
  std::mt19937 rng(20261211);
  int fours = 0;
  for (int game = 0; game < 12; ++game) {
    SearchBoard board;
    const int span = 8 + game % 6;
    const int low = game % 2 == 0 ? (kBoardSize - span) / 2 : 0;
    for (int move = 0; move < 60; ++move) {
      const int cell =
          CellAt(low + static_cast<int>(rng() % span), low + static_cast<int>(rng() % span));
      if (board.Stone(cell) != kEmpty) continue;
      board.Make(cell);
      const uint8_t me = board.SideToMove();
      if (board.Count(me, C::kFive) > 0 || board.Count(kOpponent[me], C::kFive) > 0) continue;
      ForEachBoardCell([&](int four) {
        if (board.Stone(four) != kEmpty) return;
        const C pattern = board.CellPatternAt(four, me);
        const int five = board.FiveAfterFour(four, me);
        if (pattern != C::kFour && pattern != C::kFourThree) {
          EXPECT_EQ(five, kNoCell) << "game " << game << " cell " << four;
          return;
        }
        ++fours;
        const uint64_t hashAfter = board.HashAfter(four, five);
        const C blockMakes = board.CellPatternWith(five, kOpponent[me], four, me);
        board.Make(four);
        EXPECT_EQ(board.Count(me, C::kFive), 1) << "game " << game << " cell " << four;
        EXPECT_EQ(five, board.Cells(me, C::kFive).First()) << "game " << game << " cell " << four;
        EXPECT_EQ(blockMakes, board.CellPatternAt(five, kOpponent[me])) << "game " << game;
        board.Make(five);
        EXPECT_EQ(hashAfter, board.Hash());
        board.Unmake();
        board.Unmake();
      });
    }
  }
  EXPECT_GT(fours, 200);
}

TEST(SearchBoardTest, CountsTheCellsThatMakeFivesAndFours) {
  SearchBoard board;
  for (int x = 0; x < 4; ++x) board.Place(CellAt(x, 0), kPlayerX);  // against the wall
  for (int x = 5; x < 8; ++x) board.Place(CellAt(x, 5), kPlayerO);  // an open three
  EXPECT_EQ(board.Count(kPlayerX, C::kFive), 1);
  EXPECT_EQ(board.CellPatternAt(CellAt(4, 0), kPlayerX), C::kFive);
  EXPECT_EQ(board.Count(kPlayerO, C::kOpenFour), 2);
  EXPECT_TRUE(board.Cells(kPlayerO, C::kOpenFour).Contains(CellAt(4, 5)));
  EXPECT_TRUE(board.Cells(kPlayerO, C::kOpenFour).Contains(CellAt(8, 5)));
  EXPECT_EQ(board.CellPatternAt(CellAt(3, 5), kPlayerO), C::kFour);

  board.SetSideToMove(kPlayerO);
  board.Make(CellAt(4, 0));
  EXPECT_EQ(board.Count(kPlayerX, C::kFive), 0);
  EXPECT_EQ(board.SideToMove(), kPlayerX);
  EXPECT_EQ(board.Count(kPlayerO, C::kOpenFour), 2);
}

TEST(SearchBoardTest, TheHashTellsTheSideToMove) {
  SearchBoard board;
  board.Place(CellAt(9, 9), kPlayerX);
  const uint64_t xToMove = board.Hash();
  board.SetSideToMove(kPlayerO);
  EXPECT_NE(board.Hash(), xToMove);
}

// Walked in board coordinates, every pair of board cells, edges included:
// the grid differences must never mistake a far cell for a near one.
TEST(SearchBoardTest, SameWindowIsOneLineWithinAWindowsReach) {
  constexpr int kDirections[4][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}};
  for (int ax = 0; ax < kBoardSize; ++ax) {
    for (int ay = 0; ay < kBoardSize; ++ay) {
      std::vector<bool> near(kGridCells, false);
      near[CellAt(ax, ay)] = true;
      for (const auto& d : kDirections) {
        for (int k = -kWindowReach; k <= kWindowReach; ++k) {
          const int x = ax + k * d[0];
          const int y = ay + k * d[1];
          if (OnBoard(x, y)) near[CellAt(x, y)] = true;
        }
      }
      ForEachBoardCell([&](int b) {
        ASSERT_EQ(SameWindow(CellAt(ax, ay), b), near[b]) << ax << "," << ay << " and " << b;
      });
    }
  }
}

}  // namespace
}  // namespace pentad::strong
