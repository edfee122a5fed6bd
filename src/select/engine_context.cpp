#include "select/engine_context.hpp"

#include "board/evaluate.hpp"

namespace pentad {

void EngineContext::EvaluateAll() {
  EvaluateBoard(board, sideToMove, stoneCount, random);
}

void EngineContext::BuildCandidates(int level) {
  pentad::BuildCandidates(candidates, level, board, random);
}

void EngineContext::PlayCandidate(int level) {
  boardSnapshots[level - 1] = board;
  const CandidateRecord& move = lineMoves[level - 1];
  board.at(move.x, move.y).occupant = sideToMove;
  for (const Direction& dir : kDirections) {
    for (int k = 4; k >= 1; --k) {
      for (int sign : {-1, 1}) {
        const int x = move.x + sign * k * dir.dx, y = move.y + sign * k * dir.dy;
        if (OnBoard(x, y)) EvaluateCell(board, x, y, sideToMove, stoneCount, random);
      }
    }
  }
}

}  // namespace pentad
