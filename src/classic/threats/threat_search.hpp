// The two searches for a forced win by threats, started from the candidate
// list: the combined-reply search (the defender answers every key square at
// once, the line is verified afterwards) and the per-reply search (a proof
// against every single answer).
#pragma once

#include <cstdint>
#include <span>

#include "classic/board/board.hpp"
#include "classic/threats/time_budget.hpp"

namespace pentad::classic {

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
    case kThreatThree:
    case kThreatFreeThree:
      return attack >= kThreatFour;
    case kThreatFour:
    case kThreatFreeFour:
      return attack == kThreatFive;
    default:
      return false;
  }
}

// A square the searches start from: the candidate list as they see it.
struct SearchRoot {
  int32_t x = -1;
  int32_t y = -1;
  bool excluded = false;
};

struct SearchResult {
  bool found = false;
  int index = 0;    // the winning root's position, 1 first
  ThreatLine line;  // the combined search's whole line; the per-reply search's first move
};

// Both look for a forced win of `attacker` at `depth`, starting from the
// roots that are not excluded, in their order. With `foursFirst` roots that
// make less than a four are skipped. Every extension asks `time` first.
// The board is only read.
SearchResult SearchCombined(const Board& board, uint8_t attacker, int depth,
                            std::span<const SearchRoot> roots, bool foursFirst, TimeBudget& time);
SearchResult SearchPerReply(const Board& board, uint8_t attacker, int depth,
                            std::span<const SearchRoot> roots, bool foursFirst, TimeBudget& time);

}  // namespace pentad::classic
