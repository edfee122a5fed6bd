#include "select/select_move.hpp"

namespace pentad {

CandidateRecord SelectMove(EngineContext& context, DecisionTrace& trace) {
  context.sideToMove = context.engineSide;
  context.attackingSide = context.sideToMove;
  context.EvaluateAll();
  context.BuildCandidates(1);
  trace.candidates.assign(&context.candidates.at(1, 1), &context.candidates.at(1, 1) + kTopLevelWidth);
  // Until the threat searches exist the best candidate is played as it
  // stands; the book consultation, the immediate plays, the deepening
  // searches and the defensive pass all go here.
  trace.stage = "immediate";
  return context.candidates.at(1, 1);
}

}  // namespace pentad
