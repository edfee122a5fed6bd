// The stages of move selection after the candidate list and the book:
// immediate plays, the deepening threat searches with their refutation
// checks, and the defensive pass. The driver walks them in that order.
#pragma once

#include <cstdint>
#include <functional>

#include "classic/select/candidates.hpp"
#include "classic/select/decision_state.hpp"
#include "classic/threats/threat_search.hpp"

namespace pentad::classic {

// Called after every completed pass of the deepening loop.
using DepthReport = std::function<void(int depth, int64_t checks, int64_t elapsedMs)>;

// The depth a decision reports when no threat search ran.
inline constexpr int kDepthBeforeSearch = 2;

// Places `move` for `side` and re-evaluates the cells along its four lines,
// drawing for each empty one.
void PlayCandidate(Board& board, const CandidateRecord& move, uint8_t side, int stoneCount,
                   Random& random);

// A square that wins at once or stops the opponent's win, or no playable
// square at all: the best candidate is played without a search.
bool IsImmediatePlay(const CandidateRecord& best);

struct ThreatSearchOutcome {
  bool found = false;
  CandidateRecord move{};  // the winning candidate; without a win, the best after a resort
  ThreatLine line{};       // the winning line, its first move at least
  int depth = 0;           // the depth the deepening stopped at
};

// Both threat searches for the engine side at growing depth on the state's
// candidates, after a shallow pass and the forced-reply filter. A win that
// starts with less than a four is played out and checked for a forced win
// of the opponent by fours; a refuted candidate is excluded and the
// deepening goes on.
ThreatSearchOutcome DeepenThreatSearches(DecisionState& state, const DepthReport& onDepth);

struct DefenceOutcome {
  CandidateRecord move{};
  // The depth of the last check the pass started, or `depth` when it started
  // none: what the decision reports.
  int depth = 0;
};

// The first of the best candidates after which the opponent has no forced
// win; failing that, the best-scored one tried. `depth` is where the
// deepening stopped.
DefenceOutcome DefensivePass(DecisionState& state, int depth);

}  // namespace pentad::classic
