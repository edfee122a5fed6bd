// The static value of a quiet position, read from the per-side pattern
// counts the board keeps: no scan of the board.
#pragma once

#include <array>

#include "strong/search_board.hpp"

namespace pentad::strong {

// Weights per cell pattern (kNone .. kFive). The side to move can act on
// its threats first, so its patterns weigh more than the same patterns of
// the side that just moved.
struct EvalWeights {
  std::array<int, kCellPatternCount> toMove;
  std::array<int, kCellPatternCount> waiting;
  int tempo;
};

// Fitted to self-play games (bench/strength/fit-eval.sh fits them again
// into eval_weights.inc) and kept after matches. The side to move's double
// three and stronger cells are too rare where the search evaluates to be
// fitted and keep their first values; so does the waiting side's double
// three: fitted lower (32), it let quiet moves through where only a defence
// holds, for no gain in games.
// Counts are of cells: one open three on the board is two or three
// open-four cells, one stone about 30 two cells.
inline constexpr EvalWeights kEvalWeights{
#include "strong/eval_weights.inc"
};

// From the side to move's view. Meant for positions where neither side
// has a five to play: the search settles those first.
int Evaluate(const SearchBoard& board);

}  // namespace pentad::strong
