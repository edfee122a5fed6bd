#include "strong/evaluation.hpp"

namespace pentad::strong {

int Evaluate(const SearchBoard& board) {
  const uint8_t me = board.SideToMove();
  const uint8_t opponent = kOpponent[me];
  int score = kEvalWeights.tempo;
  // kNone counts every quiet cell and kFive is settled by the search.
  for (int p = 1; p < kCellPatternCount - 1; ++p) {
    const auto pattern = static_cast<CellPattern>(p);
    score += kEvalWeights.toMove[p] * board.Count(me, pattern);
    score -= kEvalWeights.waiting[p] * board.Count(opponent, pattern);
  }
  return score;
}

}  // namespace pentad::strong
