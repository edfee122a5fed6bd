// The ranked candidate list: the best empty squares with a copy of their
// evaluation, and the operations move selection performs on it.
#pragma once

#include <array>
#include <cstdint>

#include "classic/board/board.hpp"
#include "classic/board/random.hpp"
#include "classic/threats/threat_search.hpp"

namespace pentad::classic {

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

  bool IsPlaceholder() const { return x < 0 || y < 0; }
};

inline constexpr int kCandidateWidth = 20;

// Positions 1..kCandidateWidth, best first.
struct CandidateList {
  std::array<CandidateRecord, kCandidateWidth> slots{};

  CandidateRecord& at(int position) { return slots[position - 1]; }
  const CandidateRecord& at(int position) const { return slots[position - 1]; }
};

// The rank order: A above B by value, then ownScore, then a fresh coin toss.
bool CompareCandidates(const CandidateRecord& a, const CandidateRecord& b, Random& random);

CandidateRecord MakeCandidate(const Board& board, int x, int y);

// The best empty squares of the evaluated `board`, ranked. Only the ranking
// fields of the list are reset first: a placeholder keeps the marks its slot
// held, as the rest of the selection expects.
void BuildCandidates(CandidateList& list, const Board& board, Random& random);
void InsertCandidate(CandidateList& list, const CandidateRecord& record, Random& random);
// Bubble sort by value alone; equal values keep their order.
void ResortCandidates(CandidateList& list);
// Excludes the candidates that do not meet the opponent's strongest threat.
void FilterForcedReplies(CandidateList& list);
// The list as the threat searches start from it.
std::array<SearchRoot, kCandidateWidth> SearchRoots(const CandidateList& list);

}  // namespace pentad::classic
