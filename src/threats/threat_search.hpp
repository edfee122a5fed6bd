// The two searches for a forced win by threats, started from the candidate
// list: the combined-reply search (the defender answers every key square at
// once, the line is verified afterwards) and the per-reply search (a proof
// against every single answer).
#pragma once

#include <cstdint>

#include "select/candidates.hpp"
#include "select/engine_context.hpp"

namespace pentad {

inline constexpr int kMaxSearchLevel = 12;

// The attacker's moves of a winning line, level 1 first.
struct ThreatLine {
  int count = 0;
  int x[kMaxSearchLevel];
  int y[kMaxSearchLevel];
};

// May an attacking threat of `attack` follow while the defender holds
// counter-threats of level `counter`?
constexpr bool IsStrongEnough(uint8_t attack, uint8_t counter) {
  switch (counter) {
    case kThreatNone:
      return attack > kThreatNone;
    case kThreatTree:
    case kThreatFreeTree:
      return attack >= kThreatFour;
    case kThreatFour:
    case kThreatFreeFour:
      return attack == kThreatFive;
    default:
      return false;
  }
}

// Both look for a forced win of the context's side to move (which becomes
// the attacking side) at the context's search depth, starting from the
// candidates of level 1 that are not excluded. On success they write the
// candidate and its position 1..20; `line`, when given, receives the moves.
// The board is only read.
bool SearchCombined(EngineContext& context, const Board& board, CandidateRecord& chosen,
                    int& chosenIndex, bool foursFirst, ThreatLine* line = nullptr);
bool SearchPerReply(EngineContext& context, const Board& board, CandidateRecord& chosen,
                    int& chosenIndex, bool foursFirst, ThreatLine* line = nullptr);

}  // namespace pentad
