#include "strong/vcf.hpp"

#include <algorithm>
#include <limits>

namespace pentad::strong {
namespace {

// The clock and the stop flag, when given, are read this often.
constexpr int64_t kCheckInterval = 1024;

}  // namespace

VcfSearch::VcfSearch(int tableBits)
    : table_(size_t{1} << tableBits), mask_((uint64_t{1} << tableBits) - 1) {}

void VcfSearch::Clear() {
  std::fill(table_.begin(), table_.end(), Entry{});
}

VcfResult VcfSearch::Search(SearchBoard& board, const VcfLimits& limits) {
  VcfResult result;
  attacker_ = board.SideToMove();
  nodes_ = 0;
  maxNodes_ = limits.maxNodes;
  limits_ = &limits;
  // The first node reads the clock, so that each of the root's many checks
  // of moves ends at once when the move's time is up.
  const bool interruptible = limits.deadline || limits.stop;
  nextCheck_ = interruptible ? 1 : std::numeric_limits<int64_t>::max();
  relatedFours_ = limits.relatedFours;
  pathLength_ = 0;
  result_ = &result;
  // Each four adds two moves to the line, the five one more.
  const int maxFours = std::clamp(limits.maxFours, 0, (VcfResult::kMaxLine - 1) / 2);
  const Proof proof = Attack(board, maxFours);
  result_ = nullptr;
  limits_ = nullptr;
  result.nodes = nodes_;
  result.outcome = proof == Proof::kWin     ? VcfOutcome::kWin
                   : proof == Proof::kAbort ? VcfOutcome::kOutOfNodes
                                            : VcfOutcome::kNoWin;
  if (proof == Proof::kWin) result.move = result.line[0];
  return result;
}

// The attacker to move. A four of the defender must be blocked first, and
// the block only keeps the attack going when it is a four itself.
VcfSearch::Proof VcfSearch::Attack(SearchBoard& board, int foursLeft) {
  if (OutOfBudget()) return Proof::kAbort;
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(attacker_, CellPattern::kFive) > 0) {
    WinWith(board.Cells(attacker_, CellPattern::kFive).First());
    return Proof::kWin;
  }
  const uint64_t hash = board.Hash();
  const Entry& entry = table_[hash & mask_];
  if (entry.hash == hash) {
    // A proven win is played out again: it costs one node per four and
    // gives the whole line.
    if (entry.proof == Proof::kWin && IsAttackingMove(board, entry.move)) {
      const Proof proof = TryFour(board, entry.move, foursLeft);
      if (proof != Proof::kFail) return proof;
    }
    if (entry.proof == Proof::kFail && Holds(entry, foursLeft, pathLength_)) return Proof::kFail;
  }

  const int ply = pathLength_;
  const int defenderFives = board.Count(defender, CellPattern::kFive);
  Proof proof = Proof::kFail;
  if (defenderFives >= 2 || foursLeft == 0) {
    proof = Proof::kFail;
  } else if (defenderFives == 1) {
    const int block = board.Cells(defender, CellPattern::kFive).First();
    if (board.CellPatternAt(block, attacker_) >= CellPattern::kFour) {
      proof = TryFour(board, block, foursLeft);
    }
  } else {
    CellSet sure = board.Cells(attacker_, CellPattern::kOpenFour);
    sure |= board.Cells(attacker_, CellPattern::kDoubleFour);
    proof = TryEach(board, sure, foursLeft);
    if (proof == Proof::kFail) {
      proof = TryEach(board, FoursToTry(board, CellPattern::kFourThree), foursLeft);
    }
    if (proof == Proof::kFail) {
      proof = TryEach(board, FoursToTry(board, CellPattern::kFour), foursLeft);
    }
  }
  if (proof != Proof::kAbort) {
    Store(hash, proof, proof == Proof::kWin ? result_->line[ply] : kNoCell, foursLeft);
  }
  return proof;
}

// An interrupted search spends what is left of its budget at once, so that
// every node still open gives up too.
bool VcfSearch::OutOfBudget() {
  if (++nodes_ > maxNodes_) return true;
  if (nodes_ < nextCheck_) return false;
  nextCheck_ = nodes_ + kCheckInterval;
  if (!Interrupted()) return false;
  maxNodes_ = nodes_ - 1;
  return true;
}

bool VcfSearch::Interrupted() const {
  if (limits_->stop && limits_->stop->load(std::memory_order_relaxed)) return true;
  return limits_->deadline && std::chrono::steady_clock::now() >= *limits_->deadline;
}

// The attacker's cells of the pattern, or below the first four, when asked,
// those that share a window with a move of the line.
CellSet VcfSearch::FoursToTry(const SearchBoard& board, CellPattern pattern) const {
  const CellSet cells = board.Cells(attacker_, pattern);
  if (!relatedFours_ || pathLength_ == 0) return cells;
  CellSet related;
  cells.ForEach([&](int cell) {
    for (int i = 0; i < pathLength_; ++i) {
      if (SameWindow(cell, path_[i])) {
        related.Insert(cell);
        return;
      }
    }
  });
  return related;
}

bool VcfSearch::IsAttackingMove(const SearchBoard& board, int cell) const {
  const uint8_t defender = kOpponent[attacker_];
  return board.Stone(cell) == kEmpty &&
         board.CellPatternAt(cell, attacker_) >= CellPattern::kFour &&
         (board.Count(defender, CellPattern::kFive) == 0 ||
          board.CellPatternAt(cell, defender) == CellPattern::kFive);
}

// The cells are copied: the board's sets change under the search.
VcfSearch::Proof VcfSearch::TryEach(SearchBoard& board, CellSet cells, int foursLeft) {
  for (int cell = cells.First(); cell != kNoCell; cells.Erase(cell), cell = cells.First()) {
    const Proof proof = TryFour(board, cell, foursLeft);
    if (proof != Proof::kFail) return proof;
  }
  return Proof::kFail;
}

// The attacker's four, the defender's forced block, and the attack on.
VcfSearch::Proof VcfSearch::TryFour(SearchBoard& board, int cell, int foursLeft) {
  if (FailsAfterBlock(board, cell, foursLeft)) {
    return OutOfBudget() ? Proof::kAbort : Proof::kFail;
  }
  board.Make(cell);
  Push(cell);
  Proof proof = Proof::kFail;
  if (board.Count(attacker_, CellPattern::kFive) >= 2) {
    WinWith(kNoCell);
    proof = Proof::kWin;
  } else if (const int block = board.Cells(attacker_, CellPattern::kFive).First();
             block != kNoCell) {
    board.Make(block);
    Push(block);
    proof = Attack(board, foursLeft - 1);
    board.Unmake();
    --pathLength_;
  }
  board.Unmake();
  --pathLength_;
  return proof;
}

// A failure holds for a search with no more fours left, that tries no
// fours the failed one did not; `ply` is the node's place in the line.
bool VcfSearch::Holds(const Entry& entry, int foursLeft, int ply) const {
  if (entry.fours < foursLeft) return false;
  if (!relatedFours_) return entry.scope == Scope::kEveryFour;
  return ply > 0 || entry.scope != Scope::kRelatedHere;
}

// A quarter or so of the fours lead to a position already known to fail,
// which the board tells without playing the four and its block: the node
// there is counted as the attack from it would have counted it.
bool VcfSearch::FailsAfterBlock(const SearchBoard& board, int cell, int foursLeft) const {
  const int block = board.FiveAfterFour(cell, attacker_);
  if (block == kNoCell) return false;
  const uint64_t hash = board.HashAfter(cell, block);
  const Entry& entry = table_[hash & mask_];
  return entry.hash == hash && entry.proof == Proof::kFail &&
         Holds(entry, foursLeft - 1, pathLength_ + 2);
}

// The entry is written at the node's own ply, so the path length tells
// which fours it tried.
void VcfSearch::Store(uint64_t hash, Proof proof, int move, int foursLeft) {
  const Scope scope = !relatedFours_    ? Scope::kEveryFour
                      : pathLength_ > 0 ? Scope::kRelatedHere
                                        : Scope::kRelatedBelow;
  table_[hash & mask_] =
      Entry{hash, static_cast<int16_t>(move), static_cast<uint8_t>(foursLeft), proof, scope};
}

void VcfSearch::Push(int cell) {
  path_[pathLength_++] = static_cast<int16_t>(cell);
}

// `cell` is the five, or kNoCell when the line's last four made two.
void VcfSearch::WinWith(int cell) {
  std::copy_n(path_.begin(), pathLength_, result_->line.begin());
  result_->lineLength = pathLength_;
  if (cell != kNoCell) result_->line[result_->lineLength++] = static_cast<int16_t>(cell);
  result_->plies = cell != kNoCell ? result_->lineLength : result_->lineLength + 2;
}

}  // namespace pentad::strong
