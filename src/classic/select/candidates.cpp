#include "classic/select/candidates.hpp"

#include <algorithm>
#include <utility>

namespace pentad::classic {

bool CompareCandidates(const CandidateRecord& a, const CandidateRecord& b, Random& random) {
  if (a.value != b.value) return a.value > b.value;
  if (a.ownScore != b.ownScore) return a.ownScore > b.ownScore;
  return random.Below(2) == 0;
}

CandidateRecord MakeCandidate(const Board& board, int x, int y) {
  const Cell& cell = board.at(x, y);
  CandidateRecord record;
  record.x = x;
  record.y = y;
  record.value = cell.value;
  record.ownScore = cell.ownScore;
  record.oppScore = cell.oppScore;
  record.excluded = 0;
  record.ownDouble = cell.ownDouble;
  record.oppDouble = cell.oppDouble;
  record.ownThreat = cell.ownThreat;
  record.oppThreat = cell.oppThreat;
  return record;
}

void BuildCandidates(CandidateList& list, const Board& board, Random& random) {
  for (CandidateRecord& slot : list.slots) {
    slot.x = -1;
    slot.y = -1;
    slot.value = kOccupiedValue;
    slot.ownScore = kOccupiedValue;
    slot.oppScore = kOccupiedValue;
  }
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (board.at(x, y).occupant == kEmpty)
        InsertCandidate(list, MakeCandidate(board, x, y), random);
}

void InsertCandidate(CandidateList& list, const CandidateRecord& record, Random& random) {
  constexpr int width = kCandidateWidth;
  auto slot = [&](int p) -> CandidateRecord& { return list.at(p); };
  int lo = 1, hi = width, p = 1;
  do {
    p = (lo + hi) / 2;
    if (CompareCandidates(slot(p), record, random)) {
      lo = p + 1;
    } else {
      hi = p - 1;
    }
  } while (hi >= lo);
  while (p > 1 && CompareCandidates(record, slot(p), random)) --p;
  while (p < width && CompareCandidates(slot(p), record, random)) ++p;
  if (p < width) {
    for (int q = width; q > p; --q) slot(q) = slot(q - 1);
    slot(p) = record;
  } else if (CompareCandidates(record, slot(width), random)) {
    slot(width) = record;
  }
}

void ResortCandidates(CandidateList& list) {
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (int p = 1; p < kCandidateWidth; ++p) {
      if (list.at(p).value < list.at(p + 1).value) {
        std::swap(list.at(p), list.at(p + 1));
        exchanged = true;
      }
    }
  }
}

void FilterForcedReplies(CandidateList& list) {
  uint8_t maxOppThreat = 0, maxOppDouble = 0;
  for (const CandidateRecord& record : list.slots) {
    maxOppThreat = std::max(maxOppThreat, record.oppThreat);
    maxOppDouble = std::max(maxOppDouble, record.oppDouble);
  }
  auto keepOnly = [&](auto keep) {
    for (CandidateRecord& record : list.slots) {
      if (record.excluded == 0 && keep(record)) continue;
      record.value = 0;
      record.excluded = 1;
    }
  };
  if (maxOppThreat == kThreatFreeFour || maxOppDouble == 2) {
    // An open four or a double threat with a four: only stopping it or a
    // four of one's own stays in play.
    keepOnly([](const CandidateRecord& r) {
      return r.oppThreat >= kThreatFreeFour || r.ownThreat >= kThreatFour;
    });
  } else if (maxOppDouble == 1) {
    keepOnly([](const CandidateRecord& r) { return r.oppThreat > 0 && r.ownThreat > 0; });
  }
}

std::array<SearchRoot, kCandidateWidth> SearchRoots(const CandidateList& list) {
  std::array<SearchRoot, kCandidateWidth> roots;
  for (int p = 1; p <= kCandidateWidth; ++p)
    roots[p - 1] = {list.at(p).x, list.at(p).y, list.at(p).excluded != 0};
  return roots;
}

}  // namespace pentad::classic
