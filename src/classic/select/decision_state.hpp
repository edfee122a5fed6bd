// What one decision works on. A front end makes a fresh state per move, so
// many decisions can run in one process, one after another or side by side.
// The hypothetical boards of the checks live in the stages that play them,
// so the state holds only what every stage reads.
#pragma once

#include <cstdint>

#include "classic/board/board.hpp"
#include "classic/board/random.hpp"
#include "classic/select/candidates.hpp"
#include "classic/threats/time_budget.hpp"

namespace pentad::classic {

struct DecisionState {
  Board board{};  // evaluated for engineSide once the walk has begun
  int stoneCount = 0;
  uint8_t engineSide = 0;
  CandidateList candidates{};
  TimeBudget time;
  Random random;
};

}  // namespace pentad::classic
