// The static value of a quiet position, read from the per-side pattern
// counts the board keeps: no scan of the board.
#pragma once

#include <array>

#include "search/search_board.hpp"

namespace pentad::search {

// Weights per cell pattern (kNone .. kFive). The side to move can act on
// its threats first, so its patterns weigh more than the same patterns of
// the side that just moved.
struct EvalWeights {
  std::array<int, kCellPatternCount> toMove;
  std::array<int, kCellPatternCount> waiting;
  int tempo;
};

// Initial weights, to be tuned by matches. Counts are of cells: one open
// three on the board is two or three open-four cells, one stone about 30
// two cells.
inline constexpr EvalWeights kEvalWeights{
    //  none two  2x2  c3  o3  3x3   4   4-3   4x4   o4  five
    .toMove = {0, 1, 6, 3, 7, 160, 10, 450, 500, 600, 0},
    .waiting = {0, 1, 5, 2, 6, 60, 8, 120, 140, 110, 0},
    .tempo = 40,
};

// From the side to move's view. Meant for positions where neither side
// has a five to play: the search settles those first.
int Evaluate(const SearchBoard& board);

}  // namespace pentad::search
