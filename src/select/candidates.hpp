// The ranked candidate list: the best empty squares with a copy of their
// evaluation, and the operations move selection performs on it.
#pragma once

#include <cstdint>

#include "board/board.hpp"
#include "board/random.hpp"

namespace pentad {

struct CandidateRecord {
  int32_t x = 0;
  int32_t y = 0;
  int32_t value = 0;
  int32_t ownScore = 0;
  int32_t oppScore = 0;
  uint8_t excluded = 0;
  uint8_t ownDouble = 0;
  uint8_t oppDouble = 0;
  uint8_t ownThreat = 0;
  uint8_t oppThreat = 0;
  uint8_t spare = 0;

  bool IsPlaceholder() const { return x < 0 || y < 0; }
};

inline constexpr int kCandidateLevels = 12;
inline constexpr int kCandidateSlots = 21;  // the last slot is never filled
inline constexpr int kTopLevelWidth = 20;
inline constexpr int kInnerLevelWidth = 6;

constexpr int LevelWidth(int level) {
  return level == 1 ? kTopLevelWidth : kInnerLevelWidth;
}

// Levels 1..12, positions 1..width, best first.
struct CandidateTable {
  CandidateRecord slots[kCandidateLevels][kCandidateSlots];

  CandidateRecord& at(int level, int position) { return slots[level - 1][position - 1]; }
  const CandidateRecord& at(int level, int position) const {
    return slots[level - 1][position - 1];
  }
};

// The rank order: A above B by value, then ownScore, then a fresh coin toss.
bool CompareCandidates(const CandidateRecord& a, const CandidateRecord& b, Random& random);

CandidateRecord MakeCandidate(const Board& board, int x, int y);

void BuildCandidates(CandidateTable& table, int level, const Board& board, Random& random);
void InsertCandidate(CandidateTable& table, int level, const CandidateRecord& record,
                     Random& random);
// Bubble sort by value alone; equal values keep their order.
void ResortCandidates(CandidateTable& table, int level);
// Excludes the candidates that do not meet the opponent's strongest threat.
void FilterForcedReplies(CandidateTable& table, int level);

}  // namespace pentad
