#include "classic/threats/threat_search.hpp"

#include <algorithm>

#include "classic/threats/find_threat.hpp"

namespace pentad::classic {
namespace {

// Squares tried after an attacking move: the 9 x 9 block around it without
// its centre, dy varying fastest.
struct Offset {
  int8_t dx, dy;
};
constexpr auto MakeNeighbourhood() {
  struct Table {
    Offset at[80];
  } table{};
  int n = 0;
  for (int dx = -4; dx <= 4; ++dx)
    for (int dy = -4; dy <= 4; ++dy)
      if (dx != 0 || dy != 0) table.at[n++] = {static_cast<int8_t>(dx), static_cast<int8_t>(dy)};
  return table;
}
constexpr auto kNeighbourhood = MakeNeighbourhood();

ThreatRecord FreshRecord(int x, int y) {
  ThreatRecord record;
  record.x = x;
  record.y = y;
  record.keyCount = 0;
  record.win = 0;
  return record;
}

void PlaceThreatAndAnswers(ThreatBoard& board, const ThreatRecord& threat, uint8_t attacker,
                           uint8_t defender) {
  board.Place(threat.x, threat.y, attacker);
  for (int k = 0; k < threat.keyCount; ++k)
    board.Place(threat.keySquares[k].x, threat.keySquares[k].y, defender);
}

class CombinedSearch {
 public:
  CombinedSearch(const Board& board, uint8_t attacker, int depth, TimeBudget& time)
      : time_(time),
        work_(board),
        attacker_(attacker),
        defender_(kOpponent[attacker]),
        depth_(depth) {}

  SearchResult Run(std::span<const SearchRoot> roots, bool foursFirst) {
    SearchResult result;
    lineLength_ = 0;
    for (int i = 1; i <= static_cast<int>(roots.size()); ++i) {
      const SearchRoot& root = roots[i - 1];
      if (root.excluded) continue;
      ThreatRecord first = FreshRecord(root.x, root.y);
      // Candidates are ranked: once one makes no threat, none below is tried.
      if (!FindThreat(work_, first, attacker_)) return result;
      if (foursFirst && first.level < kThreatFour) continue;
      line_[1] = first;
      lineLength_ = 1;
      if (first.win) return result;
      snapshots_[1] = work_;
      PlaceThreatAndAnswers(work_, first, attacker_, defender_);
      const bool extended = ExtendLine(2);
      work_ = snapshots_[1];
      if (extended && VerifyLine()) {
        result.found = true;
        result.index = i;
        CopyLine(result.line);
        return result;
      }
      lineLength_ = 0;
    }
    return result;
  }

 private:
  bool ExtendLine(int level) {
    if (time_.TimeUp()) return false;
    const ThreatRecord& previous = line_[level - 1];
    const int px = previous.x, py = previous.y;
    for (const Offset& offset : kNeighbourhood.at) {
      ThreatRecord threat = FreshRecord(px + offset.dx, py + offset.dy);
      if (!FindThreat(work_, threat, attacker_)) continue;
      line_[level] = threat;
      lineLength_ = level;
      if (threat.win || level == kMaxSearchLevel) return true;
      if (level < depth_) {
        snapshots_[level] = work_;
        PlaceThreatAndAnswers(work_, threat, attacker_, defender_);
        const bool extended = ExtendLine(level + 1);
        work_ = snapshots_[level];
        if (extended) return true;
      }
      lineLength_ = level - 1;
    }
    return false;
  }

  // Replays the line against the defender's counter-threats: every answer
  // the defender is given may itself threaten, and the attacker's next
  // threat must outrank the strongest such counter-threat.
  bool VerifyLine() {
    const ThreatBoard start = work_;
    uint8_t counter[kMaxSearchLevel + 1];
    counter[0] = kThreatNone;
    bool verified = false;
    for (int level = 1; level <= lineLength_; ++level) {
      const ThreatRecord& entry = line_[level];
      if (entry.win) {
        verified = true;
        break;
      }
      if (!IsStrongEnough(entry.level, counter[level - 1])) break;
      work_.Place(entry.x, entry.y, attacker_);
      counter[level] = counter[level - 1];
      for (int k = 0; k < entry.keyCount; ++k) {
        ThreatRecord answer = FreshRecord(entry.keySquares[k].x, entry.keySquares[k].y);
        if (FindThreat(work_, answer, defender_) && answer.level > counter[level])
          counter[level] = answer.level;
      }
      for (int k = 0; k < entry.keyCount; ++k)
        work_.Place(entry.keySquares[k].x, entry.keySquares[k].y, defender_);
    }
    work_ = start;
    return verified;
  }

  void CopyLine(ThreatLine& line) const {
    line.count = lineLength_;
    for (int level = 1; level <= lineLength_; ++level) {
      line.x[level - 1] = line_[level].x;
      line.y[level - 1] = line_[level].y;
    }
  }

  TimeBudget& time_;
  ThreatBoard work_;
  const uint8_t attacker_;
  const uint8_t defender_;
  const int depth_;
  ThreatRecord line_[kMaxSearchLevel + 1];
  int lineLength_ = 0;
  ThreatBoard snapshots_[kMaxSearchLevel + 1];
};

class PerReplySearch {
 public:
  PerReplySearch(const Board& board, uint8_t attacker, int depth, TimeBudget& time)
      : time_(time),
        work_(board),
        attacker_(attacker),
        defender_(kOpponent[attacker]),
        depth_(depth) {}

  SearchResult Run(std::span<const SearchRoot> roots, bool foursFirst) {
    SearchResult result;
    for (int i = 1; i <= static_cast<int>(roots.size()); ++i) {
      const SearchRoot& root = roots[i - 1];
      if (root.excluded) continue;
      counter_[0] = kThreatNone;
      ThreatRecord first = FreshRecord(root.x, root.y);
      if (!FindThreat(work_, first, attacker_)) continue;
      if (foursFirst && first.level < kThreatFour) continue;
      if (first.win) return result;
      if (WinsAgainstEveryAnswer(first, 1)) {
        result.found = true;
        result.index = i;
        result.line.count = 1;
        result.line.x[0] = root.x;
        result.line.y[0] = root.y;
        return result;
      }
    }
    return result;
  }

 private:
  // The attacker's threat at `level` wins when he goes on to win after each
  // single answer on one of its key squares.
  bool WinsAgainstEveryAnswer(const ThreatRecord& threat, int level) {
    moves_[level] = threat;
    for (int k = 0; k < threat.keyCount; ++k) {
      snapshots_[level] = work_;
      work_.Place(threat.x, threat.y, attacker_);
      const KeySquare answer = threat.keySquares[k];
      ThreatRecord counterThreat = FreshRecord(answer.x, answer.y);
      counter_[level] = counter_[level - 1];
      if (FindThreat(work_, counterThreat, defender_))
        counter_[level] = std::max(counter_[level - 1], counterThreat.level);
      work_.Place(answer.x, answer.y, defender_);
      const bool proved = ExtendProof(level + 1);
      work_ = snapshots_[level];
      if (!proved) return false;
    }
    return threat.keyCount > 0;
  }

  bool ExtendProof(int level) {
    if (time_.TimeUp()) return false;
    const int px = moves_[level - 1].x, py = moves_[level - 1].y;
    for (const Offset& offset : kNeighbourhood.at) {
      ThreatRecord threat = FreshRecord(px + offset.dx, py + offset.dy);
      if (!FindThreat(work_, threat, attacker_)) continue;
      // A win flag beats any counter-threat: a FREE FOUR wins even against
      // a FOUR of the defender.
      if (threat.win) return true;
      if (level >= depth_) continue;
      if (!IsStrongEnough(threat.level, counter_[level - 1])) continue;
      if (WinsAgainstEveryAnswer(threat, level)) return true;
    }
    return false;
  }

  TimeBudget& time_;
  ThreatBoard work_;
  const uint8_t attacker_;
  const uint8_t defender_;
  const int depth_;
  uint8_t counter_[kMaxSearchLevel + 1]{};
  ThreatRecord moves_[kMaxSearchLevel + 1];
  ThreatBoard snapshots_[kMaxSearchLevel + 1];
};

}  // namespace

SearchResult SearchCombined(const Board& board, uint8_t attacker, int depth,
                            std::span<const SearchRoot> roots, bool foursFirst, TimeBudget& time) {
  return CombinedSearch(board, attacker, depth, time).Run(roots, foursFirst);
}

SearchResult SearchPerReply(const Board& board, uint8_t attacker, int depth,
                            std::span<const SearchRoot> roots, bool foursFirst, TimeBudget& time) {
  return PerReplySearch(board, attacker, depth, time).Run(roots, foursFirst);
}

}  // namespace pentad::classic
