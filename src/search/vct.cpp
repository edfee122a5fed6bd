#include "search/vct.hpp"

#include <algorithm>

namespace pentad::search {
namespace {

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
  rootMove_ = kNoCell;
  ply_ = 0;
  attackerKey_ = attacker_ == kPlayerO ? 0x9E3779B97F4A7C15ULL : 0;
  // Short wins first: a deep search of the first threes tried would spend
  // the budget before a shallow win elsewhere is seen. The root is searched
  // whatever the table says, so that it names a move.
  Proof proof = Proof::kFail;
  const int maxThreats = std::clamp(limits.maxThreats, 0, 255);
  for (int threats = std::min(1, maxThreats); threats <= maxThreats; ++threats) {
    ++nodes_;
    proof = AttackDecided(board, threats);
    if (proof != Proof::kFail) break;
  }
  VctResult result;
  result.nodes = nodes_;
  result.outcome = proof == Proof::kWin     ? VctOutcome::kWin
                   : proof == Proof::kAbort ? VctOutcome::kOutOfNodes
                                            : VctOutcome::kNoWin;
  if (proof == Proof::kWin) result.move = rootMove_;
  return result;
}

// The attacker to move.
VctSearch::Proof VctSearch::Attack(SearchBoard& board, int threatsLeft) {
  if (++nodes_ > maxNodes_) return Proof::kAbort;
  Proof proof;
  const uint64_t key = board.Hash() ^ attackerKey_;
  if (Lookup(key, threatsLeft, proof)) return proof;
  proof = AttackDecided(board, threatsLeft);
  if (proof != Proof::kAbort) Store(key, threatsLeft, proof);
  return proof;
}

VctSearch::Proof VctSearch::AttackDecided(SearchBoard& board, int threatsLeft) {
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(attacker_, CellPattern::kFive) > 0) {
    SetRootMove(board.Cells(attacker_, CellPattern::kFive).First());
    return Proof::kWin;
  }
  const int defenderFives = board.Count(defender, CellPattern::kFive);
  if (defenderFives >= 2) return Proof::kFail;
  if (defenderFives == 1) {
    // The block is forced; it wins only if it leaves a threat standing.
    const int block = board.Cells(defender, CellPattern::kFive).First();
    const Proof proof = TryThreat(board, block, threatsLeft + 1);
    if (proof == Proof::kWin) SetRootMove(block);
    return proof;
  }
  if (threatsLeft == 0) return Proof::kFail;
  if (HasVcf(board)) {
    if (ply_ == 0) SetRootMove(vcf_.Search(board, VcfLimits{.maxNodes = vcfNodes_}).move);
    return Proof::kWin;
  }
  // Fours first, then the moves that make an open three or better.
  CellSet fours = FourCells(board, attacker_);
  CellSet threes = board.Cells(attacker_, CellPattern::kOpenThree);
  threes |= board.Cells(attacker_, CellPattern::kDoubleThree);
  for (CellSet* cells : {&fours, &threes}) {
    for (int cell = cells->First(); cell != kNoCell; cells->Erase(cell), cell = cells->First()) {
      const Proof proof = TryThreat(board, cell, threatsLeft);
      if (proof == Proof::kWin) SetRootMove(cell);
      if (proof != Proof::kFail) return proof;
    }
  }
  return Proof::kFail;
}

VctSearch::Proof VctSearch::TryThreat(SearchBoard& board, int cell, int threatsLeft) {
  board.Make(cell);
  ++ply_;
  const Proof proof = Defend(board, threatsLeft - 1);
  --ply_;
  board.Unmake();
  return proof;
}

void VctSearch::SetRootMove(int cell) {
  if (ply_ == 0) rootMove_ = cell;
}

// The defender to move.
VctSearch::Proof VctSearch::Defend(SearchBoard& board, int threatsLeft) {
  if (++nodes_ > maxNodes_) return Proof::kAbort;
  Proof proof;
  const uint64_t key = board.Hash() ^ attackerKey_;
  if (Lookup(key, threatsLeft, proof)) return proof;
  proof = DefendDecided(board, threatsLeft);
  if (proof != Proof::kAbort) Store(key, threatsLeft, proof);
  return proof;
}

// Without a four, the attacker's threat is a move that makes two ways to
// five, or else a win by fours if the defender passed. Against the first,
// any reply other than one of the attacker's four cells (the sure move and
// the fives it would make are among them) or a four of the defender's own
// lets that move win. Against fours, a reply matters only within a
// window of a cell of the line, or as a four of the defender's own.
VctSearch::Proof VctSearch::DefendDecided(SearchBoard& board, int threatsLeft) {
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(defender, CellPattern::kFive) > 0) return Proof::kFail;
  const int attackerFives = board.Count(attacker_, CellPattern::kFive);
  if (attackerFives >= 2) return Proof::kWin;
  if (attackerFives == 1) {
    return TryReply(board, board.Cells(attacker_, CellPattern::kFive).First(), threatsLeft);
  }
  CellSet replies = FourCells(board, defender);
  if (HasSureMove(board, attacker_)) {
    replies |= SureMoveBlocks(board);
  } else if (!AttackerVcfIfPassed(board, replies)) {
    return Proof::kFail;
  }
  if (HasVcf(board)) return Proof::kFail;  // the defender's fours win first
  for (int cell = replies.First(); cell != kNoCell; replies.Erase(cell), cell = replies.First()) {
    const Proof proof = TryReply(board, cell, threatsLeft);
    if (proof != Proof::kWin) return proof;
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
  ++ply_;
  const Proof proof = Attack(board, threatsLeft);
  --ply_;
  board.Unmake();
  return proof;
}

// A win by fours for the side to move, within a small budget: one that is
// not found is only a missed win (or a missed refutation, which the
// defender's four replies still try).
bool VctSearch::HasVcf(SearchBoard& board) {
  const VcfResult result = vcf_.Search(board, VcfLimits{.maxNodes = vcfNodes_});
  nodes_ += result.nodes;
  return result.outcome == VcfOutcome::kWin;
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
