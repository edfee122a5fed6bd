#include "select/candidates.hpp"

#include <algorithm>
#include <utility>

namespace pentad {

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
  record.spare = cell.spare;
  return record;
}

void BuildCandidates(CandidateTable& table, int level, const Board& board, Random& random) {
  const int width = LevelWidth(level);
  for (int p = 1; p <= width; ++p) {
    // Only the ranking fields are reset: a placeholder keeps the marks its
    // slot held, as the rest of the selection expects.
    CandidateRecord& slot = table.at(level, p);
    slot.x = -1;
    slot.y = -1;
    slot.value = kOccupiedValue;
    slot.ownScore = kOccupiedValue;
    slot.oppScore = kOccupiedValue;
  }
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (board.at(x, y).occupant == kEmpty)
        InsertCandidate(table, level, MakeCandidate(board, x, y), random);
}

void InsertCandidate(CandidateTable& table, int level, const CandidateRecord& record,
                     Random& random) {
  const int width = LevelWidth(level);
  auto slot = [&](int p) -> CandidateRecord& { return table.at(level, p); };
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

void ResortCandidates(CandidateTable& table, int level) {
  const int width = LevelWidth(level);
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (int p = 1; p < width; ++p) {
      if (table.at(level, p).value < table.at(level, p + 1).value) {
        std::swap(table.at(level, p), table.at(level, p + 1));
        exchanged = true;
      }
    }
  }
}

void FilterForcedReplies(CandidateTable& table, int level) {
  const int width = LevelWidth(level);
  uint8_t maxOppThreat = 0, maxOppDouble = 0;
  for (int p = 1; p <= width; ++p) {
    maxOppThreat = std::max(maxOppThreat, table.at(level, p).oppThreat);
    maxOppDouble = std::max(maxOppDouble, table.at(level, p).oppDouble);
  }
  auto keepOnly = [&](auto keep) {
    for (int p = 1; p <= width; ++p) {
      CandidateRecord& record = table.at(level, p);
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

}  // namespace pentad
