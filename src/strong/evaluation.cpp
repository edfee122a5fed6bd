#include "strong/evaluation.hpp"

namespace pentad::strong {

int Evaluate(const SearchBoard& board) {
  return kEvalWeights.tempo + board.CellValueSum(board.SideToMove());
}

}  // namespace pentad::strong
