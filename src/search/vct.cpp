#include "search/vct.hpp"

#include <algorithm>
#include <cstdlib>

namespace pentad::search {
namespace {

// The clock and the stop flag are read this often.
constexpr int64_t kCheckInterval = 4096;

// Cells where `player` makes at least a four.
CellSet FourCells(const SearchBoard& board, uint8_t player) {
  CellSet cells = board.Cells(player, CellPattern::kFour);
  for (const CellPattern p : {CellPattern::kFourThree, CellPattern::kDoubleFour,
                              CellPattern::kOpenFour, CellPattern::kFive}) {
    cells |= board.Cells(player, p);
  }
  return cells;
}

// A move that makes two ways to five whatever the defender does next.
bool HasSureMove(const SearchBoard& board, uint8_t player) {
  return board.Count(player, CellPattern::kOpenFour) +
             board.Count(player, CellPattern::kDoubleFour) >
         0;
}

// Two cells on one line within a window's reach: a stone on one changes
// the patterns of the other.
bool SameWindow(int a, int b) {
  const int dx = std::abs(CellX(a) - CellX(b));
  const int dy = std::abs(CellY(a) - CellY(b));
  return (dx == 0 || dy == 0 || dx == dy) && std::max(dx, dy) <= kWindowReach;
}

// Which threats to try first: those that leave the defender the fewest
// answers. Closed threes only threaten fours to come.
int ThreatRank(CellPattern pattern) {
  switch (pattern) {
    case CellPattern::kFive:
    case CellPattern::kOpenFour:
    case CellPattern::kDoubleFour:
    case CellPattern::kFourThree:
      return 5;
    case CellPattern::kDoubleThree:
      return 4;
    case CellPattern::kOpenThree:
      return 3;
    case CellPattern::kFour:
      return 2;
    default:
      return 1;
  }
}

}  // namespace

VctSearch::VctSearch(int tableBits)
    : table_(size_t{1} << tableBits), mask_((uint64_t{1} << tableBits) - 1) {}

void VctSearch::Clear() {
  std::fill(table_.begin(), table_.end(), Entry{});
  vcf_.Clear();
}

VctResult VctSearch::Search(SearchBoard& board, const VctLimits& limits) {
  attacker_ = board.SideToMove();
  nodes_ = 0;
  maxNodes_ = limits.maxNodes;
  vcfNodes_ = limits.vcfNodes;
  // The first node reads the clock: a search started after its deadline,
  // as the root's checks of many moves can be, ends at once.
  nextCheck_ = 1;
  limits_ = &limits;
  ply_ = 0;
  // Short wins first: a deep search of the first threes tried would spend
  // the budget before a shallow win elsewhere is seen. The root is searched
  // whatever the table says, so that it names a move. Attacks that stay on
  // the lines of their own threats are tried first, being far fewer; the
  // failures of the two kinds are kept apart in the table.
  Proof proof = Proof::kFail;
  const int maxThreats = std::clamp(limits.maxThreats, 0, 255);
  for (const bool local : {true, false}) {
    local_ = local;
    attackerKey_ =
        (attacker_ == kPlayerO ? 0x9E3779B97F4A7C15ULL : 0) ^ (local ? 0 : 0xD1B54A32D192ED03ULL);
    for (int threats = std::min(1, maxThreats); threats <= maxThreats; ++threats) {
      ++nodes_;
      proof = AttackDecided(board, threats);
      if (proof != Proof::kFail) break;
    }
    if (proof != Proof::kFail) break;
  }
  VctResult result;
  result.nodes = nodes_;
  result.outcome = proof == Proof::kWin     ? VctOutcome::kWin
                   : proof == Proof::kAbort ? VctOutcome::kOutOfNodes
                                            : VctOutcome::kNoWin;
  limits_ = nullptr;
  if (proof == Proof::kWin && lineLengths_[0] > 0) {
    result.lineLength = lineLengths_[0];
    std::copy_n(lines_[0].begin(), result.lineLength, result.line.begin());
    result.move = result.line[0];
  }
  return result;
}

// The attacker to move.
VctSearch::Proof VctSearch::Attack(SearchBoard& board, int threatsLeft) {
  return Remembered(board, threatsLeft, &VctSearch::AttackDecided);
}

// A proof from the table, else decided and stored unless the budget ran out.
VctSearch::Proof VctSearch::Remembered(SearchBoard& board, int threatsLeft, Decider decide) {
  if (OutOfBudget()) return Proof::kAbort;
  Proof proof;
  const uint64_t key = board.Hash() ^ attackerKey_;
  if (Lookup(key, threatsLeft, proof)) {
    EndLine(kNoCell);
    return proof;
  }
  proof = (this->*decide)(board, threatsLeft);
  if (proof != Proof::kAbort) Store(key, threatsLeft, proof);
  return proof;
}

VctSearch::Proof VctSearch::AttackDecided(SearchBoard& board, int threatsLeft) {
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(attacker_, CellPattern::kFive) > 0) {
    EndLine(board.Cells(attacker_, CellPattern::kFive).First());
    return Proof::kWin;
  }
  const int defenderFives = board.Count(defender, CellPattern::kFive);
  if (defenderFives >= 2 || ply_ >= kMaxPly - 2) return Proof::kFail;
  if (defenderFives == 1) {
    // The block is forced; it wins only if it leaves a threat standing.
    const int block = board.Cells(defender, CellPattern::kFive).First();
    const Proof proof = TryThreat(board, block, threatsLeft + 1);
    if (proof == Proof::kWin) ExtendLine(block);
    return proof;
  }
  if (threatsLeft == 0) return Proof::kFail;
  if (HasVcf(board)) return Proof::kWin;
  return TryThreats(board, threatsLeft);
}

// Fours and the moves that make a three, the most forcing and those next
// to the attacker's last move first. Below the root a threat must share a
// line with one of the attacker's moves since: threats that ignore the
// attack so far are left to the iterations with more threats to spend,
// where the root tries them first.
VctSearch::Proof VctSearch::TryThreats(SearchBoard& board, int threatsLeft) {
  std::array<int16_t, kMaxMoves> threats;
  const int count = CollectThreats(board, threats);
  for (int i = 0; i < count; ++i) {
    const int cell = threats[i];
    const Proof proof = TryThreat(board, cell, threatsLeft);
    if (proof == Proof::kWin) ExtendLine(cell);
    if (proof != Proof::kFail) return proof;
  }
  return Proof::kFail;
}

int VctSearch::CollectThreats(const SearchBoard& board,
                              std::array<int16_t, kMaxMoves>& threats) const {
  CellSet cells = FourCells(board, attacker_);
  cells |= board.Cells(attacker_, CellPattern::kOpenThree);
  cells |= board.Cells(attacker_, CellPattern::kDoubleThree);
  const int last = ply_ >= 2 ? path_[ply_ - 2] : kNoCell;
  std::array<int16_t, kMaxMoves> scores;
  int count = 0;
  cells.ForEach([&](int cell) {
    if (local_ && ply_ > 0 && !NearAttack(cell)) return;
    const bool nearLast = last != kNoCell && SameWindow(cell, last);
    threats[count] = static_cast<int16_t>(cell);
    scores[count] =
        static_cast<int16_t>(ThreatRank(board.CellPatternAt(cell, attacker_)) + (nearLast ? 8 : 0));
    // Insertion by score keeps equal scores in cell order.
    int i = count++;
    for (; i > 0 && scores[i - 1] < scores[i]; --i) {
      std::swap(scores[i - 1], scores[i]);
      std::swap(threats[i - 1], threats[i]);
    }
  });
  return count;
}

bool VctSearch::NearAttack(int cell) const {
  for (int p = ply_ % 2; p < ply_; p += 2) {
    if (SameWindow(cell, path_[p])) return true;
  }
  return false;
}

VctSearch::Proof VctSearch::TryThreat(SearchBoard& board, int cell, int threatsLeft) {
  board.Make(cell);
  path_[ply_++] = static_cast<int16_t>(cell);
  const Proof proof = Defend(board, threatsLeft - 1);
  --ply_;
  board.Unmake();
  return proof;
}

// The defender to move.
VctSearch::Proof VctSearch::Defend(SearchBoard& board, int threatsLeft) {
  return Remembered(board, threatsLeft, &VctSearch::DefendDecided);
}

// Without a four, the attacker's threat is a move that makes two ways to
// five, or else a win by fours if the defender passed. The first is met
// only on the cells that stop every such move, or by a four of the
// defender's own. Against fours, a reply matters only within a window of
// a cell of the line, or as a four of the defender's own.
VctSearch::Proof VctSearch::DefendDecided(SearchBoard& board, int threatsLeft) {
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(defender, CellPattern::kFive) > 0) return Proof::kFail;
  const int attackerFives = board.Count(attacker_, CellPattern::kFive);
  if (attackerFives >= 2) {
    EndLine(kNoCell);
    return Proof::kWin;
  }
  if (attackerFives == 1) {
    const int block = board.Cells(attacker_, CellPattern::kFive).First();
    const Proof proof = TryReply(board, block, threatsLeft);
    if (proof == Proof::kWin) ExtendLine(block);
    return proof;
  }
  CellSet blocks;
  if (HasSureMove(board, attacker_)) {
    blocks = SureMoveBlocks(board);
  } else if (!AttackerVcfIfPassed(board, blocks)) {
    return Proof::kFail;
  }
  if (HasVcf(board)) return Proof::kFail;  // the defender's fours win first
  // The blocks first: they refute most threats that fail.
  bool first = true;
  Proof proof = TryReplies(board, blocks, threatsLeft, first);
  if (proof != Proof::kWin) return proof;
  CellSet counterFours = FourCells(board, defender);
  blocks.ForEach([&counterFours](int cell) { counterFours.Erase(cell); });
  return TryReplies(board, counterFours, threatsLeft, first);
}

// Every reply must lose; the first one gives the node its line.
VctSearch::Proof VctSearch::TryReplies(SearchBoard& board, CellSet replies, int threatsLeft,
                                       bool& first) {
  for (int cell = replies.First(); cell != kNoCell; replies.Erase(cell), cell = replies.First()) {
    const Proof proof = TryReply(board, cell, threatsLeft);
    if (proof != Proof::kWin) return proof;
    if (first) ExtendLine(cell);
    first = false;
  }
  return Proof::kWin;
}

// A sure move stays sure unless the reply takes its cell or one of the
// fives it would make: a five needs only the attacker's own stones. So the
// replies that stop every sure move at once are those in all their blocks.
CellSet VctSearch::SureMoveBlocks(SearchBoard& board) {
  CellSet sure = board.Cells(attacker_, CellPattern::kOpenFour);
  sure |= board.Cells(attacker_, CellPattern::kDoubleFour);
  CellSet common;
  bool first = true;
  for (int cell = sure.First(); cell != kNoCell; sure.Erase(cell), cell = sure.First()) {
    board.Place(cell, attacker_);
    CellSet blocks = board.Cells(attacker_, CellPattern::kFive);
    board.Unmake();
    blocks.Insert(cell);
    if (first) {
      common = blocks;
      first = false;
    } else {
      common &= blocks;
    }
    if (common.Empty()) break;
  }
  return common;
}

// The attacker's win by fours with the defender's turn skipped; its line's
// cells and their empty window neighbours join the replies.
bool VctSearch::AttackerVcfIfPassed(SearchBoard& board, CellSet& replies) {
  const uint8_t defender = board.SideToMove();
  board.SetSideToMove(attacker_);
  const VcfResult result = vcf_.Search(board, VcfLimits{.maxNodes = vcfNodes_});
  board.SetSideToMove(defender);
  nodes_ += result.nodes;
  if (result.outcome != VcfOutcome::kWin) return false;
  for (int i = 0; i < result.lineLength; ++i) {
    const int cell = result.line[i];
    replies.Insert(cell);
    for (int d = 0; d < 4; ++d) {
      for (int k = -kWindowReach; k <= kWindowReach; ++k) {
        const int near = cell + k * kStep[d];
        if (board.Stone(near) == kEmpty) replies.Insert(near);
      }
    }
  }
  return true;
}

VctSearch::Proof VctSearch::TryReply(SearchBoard& board, int cell, int threatsLeft) {
  board.Make(cell);
  path_[ply_++] = static_cast<int16_t>(cell);
  const Proof proof = Attack(board, threatsLeft);
  --ply_;
  board.Unmake();
  return proof;
}

// A win by fours for the side to move, within a small budget: one that is
// not found is only a missed win (or a missed refutation, which the
// defender's four replies still try). The attacker's gives the line.
bool VctSearch::HasVcf(SearchBoard& board) {
  const VcfResult result = vcf_.Search(board, VcfLimits{.maxNodes = vcfNodes_});
  nodes_ += result.nodes;
  if (result.outcome != VcfOutcome::kWin) return false;
  if (board.SideToMove() == attacker_) {
    const int length = std::min<int>(result.lineLength, VctResult::kMaxLine);
    std::copy_n(result.line.begin(), length, lines_[ply_].begin());
    lineLengths_[ply_] = length;
  }
  return true;
}

// The node at this ply is won with nothing to play, or with `cell`.
void VctSearch::EndLine(int cell) {
  lineLengths_[ply_] = 0;
  if (cell != kNoCell) lines_[ply_][lineLengths_[ply_]++] = static_cast<int16_t>(cell);
}

// The node at this ply is won by `cell` and the line of the node after it.
void VctSearch::ExtendLine(int cell) {
  const int length = std::min(lineLengths_[ply_ + 1], VctResult::kMaxLine - 1);
  lines_[ply_][0] = static_cast<int16_t>(cell);
  std::copy_n(lines_[ply_ + 1].begin(), length, lines_[ply_].begin() + 1);
  lineLengths_[ply_] = length + 1;
}

// Inner win-by-fours searches add to the count in steps, so the checks
// compare against a moving mark rather than a multiple of the interval.
bool VctSearch::OutOfBudget() {
  if (++nodes_ > maxNodes_) return true;
  if (nodes_ < nextCheck_) return false;
  nextCheck_ = nodes_ + kCheckInterval;
  if (limits_->stop && limits_->stop->load(std::memory_order_relaxed)) {
    maxNodes_ = 0;
    return true;
  }
  if (limits_->deadline && std::chrono::steady_clock::now() >= *limits_->deadline) {
    maxNodes_ = 0;
    return true;
  }
  return false;
}

bool VctSearch::Lookup(uint64_t hash, int threatsLeft, Proof& proof) const {
  const Entry& entry = table_[hash & mask_];
  if (entry.hash != hash) return false;
  // A win with fewer threats is a win with more; a failure with more
  // threats is a failure with fewer.
  if (entry.proof == Proof::kWin && entry.threats <= threatsLeft) {
    proof = Proof::kWin;
    return true;
  }
  if (entry.proof == Proof::kFail && entry.threats >= threatsLeft) {
    proof = Proof::kFail;
    return true;
  }
  return false;
}

void VctSearch::Store(uint64_t hash, int threatsLeft, Proof proof) {
  table_[hash & mask_] = Entry{hash, static_cast<uint8_t>(threatsLeft), proof};
}

}  // namespace pentad::search
