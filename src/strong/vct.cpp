#include "strong/vct.hpp"

#include <algorithm>

namespace pentad::strong {
namespace {

// The clock and the stop flag are read this often.
constexpr int64_t kCheckInterval = 4096;
// Proof and disproof numbers at or above this are settled.
constexpr uint32_t kInfinity = 1u << 30;

// The threat limits of the successive searches: a win with fewer threats,
// usually the shorter and more direct one, is found before a longer one.
constexpr int kThreatSteps[] = {1, 2, 3, 4, 5, 6, 8, 10, 12};
// Local attacks longer than this are left to the search of any threats,
// which contains them: a deep local search that fails costs more than the
// wider one that follows it needs to find a win.
constexpr int kMaxLocalThreats = 8;

// Table keys: the position's hash, the attacker's side, and either the
// stage and threat limit of the search (for every result) or the mark of
// a win (for wins alone, which hold whatever the stage and limit).
constexpr uint64_t kWinKey = 0x510E527FADE682D1ULL;

constexpr uint64_t SideKey(uint8_t attacker) {
  return attacker == kPlayerO ? 0x9E3779B97F4A7C15ULL : 0;
}

constexpr uint64_t StageKey(bool local, bool closedThrees, int threats) {
  return (local ? 0 : 0xD1B54A32D192ED03ULL) ^ (closedThrees ? 0x6A09E667F3BCC909ULL : 0) ^
         (uint64_t(threats) * 0x8CB92BA72F3D8DD7ULL);
}

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
  return std::min(a + b, kInfinity);
}

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

int FirstSureMove(const SearchBoard& board, uint8_t player) {
  const int openFour = board.Cells(player, CellPattern::kOpenFour).First();
  return openFour != kNoCell ? openFour : board.Cells(player, CellPattern::kDoubleFour).First();
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

VctSearch::VctSearch(int tableBits, int vcfTableBits)
    : table_(size_t{1} << tableBits), mask_((uint64_t{1} << tableBits) - 1), vcf_(vcfTableBits) {}

void VctSearch::Clear() {
  std::fill(table_.begin(), table_.end(), Entry{});
  vcf_.Clear();
}

VctResult VctSearch::Search(SearchBoard& board, const VctLimits& limits) {
  attacker_ = board.SideToMove();
  nodes_ = 0;
  maxNodes_ = limits.maxNodes;
  vcfNodes_ = limits.vcfNodes;
  maxThreats_ = std::clamp(limits.maxThreats, 0, kMaxPly / 2);
  // The first node reads the clock: a search started after its deadline,
  // as the root's checks of many moves can be, ends at once.
  nextCheck_ = 1;
  limits_ = &limits;
  aborted_ = false;
  // Attacks that stay on the lines of their own threats are tried first,
  // being far fewer, then any; the closed threes, when asked for, only
  // after both. The failures of each kind are kept apart in the table.
  struct Stage {
    bool local;
    bool closedThrees;
  };
  constexpr Stage kStages[] = {{true, false}, {false, false}, {true, true}, {false, true}};
  Numbers root{kInfinity, 0};
  const int maxThreats = maxThreats_;
  for (const Stage stage : kStages) {
    if (stage.closedThrees && !limits.closedThrees) break;
    local_ = stage.local;
    weakestThreat_ = stage.closedThrees ? CellPattern::kClosedThree : CellPattern::kOpenThree;
    const int stageThreats = stage.local ? std::min(maxThreats, kMaxLocalThreats) : maxThreats;
    for (const int step : kThreatSteps) {
      const int threats = std::min(step, stageThreats);
      maxThreats_ = threats;
      attackerKey_ = SideKey(attacker_) ^ StageKey(stage.local, stage.closedThrees, threats);
      ply_ = 0;
      threats_ = 0;
      Prove(board, kInfinity, kInfinity);
      root = Lookup(board.Hash() ^ attackerKey_);
      if (aborted_ || root.proof == 0 || threats == stageThreats) break;
    }
    if (aborted_ || root.proof == 0) break;
  }
  VctResult result;
  result.outcome = root.proof == 0 ? VctOutcome::kWin
                   : aborted_      ? VctOutcome::kOutOfNodes
                                   : VctOutcome::kNoWin;
  if (result.outcome == VctOutcome::kWin) BuildLine(board, result);
  result.nodes = nodes_;
  limits_ = nullptr;
  return result;
}

// Expands the node until its numbers reach a limit, always into the child
// that settles it soonest; the numbers are then stored. Each visit makes
// the moves anew: the table, not the stack, remembers the tree.
void VctSearch::Prove(SearchBoard& board, uint32_t proofLimit, uint32_t disproofLimit) {
  const uint64_t key = board.Hash() ^ attackerKey_;
  if (OutOfBudget()) {
    aborted_ = true;
    return;
  }
  Moves moves;
  int count = 0;
  bool forced = false;
  const Expansion expansion = Expand(board, moves, count, forced);
  const bool attacking = board.SideToMove() == attacker_;
  if (expansion != Expansion::kOpen) {
    Store(key, expansion == Expansion::kWon ? Numbers{0, kInfinity} : Numbers{kInfinity, 0},
          attacking);
    return;
  }
  for (;;) {
    // The mover wins if one child's mover loses, and loses if all win.
    Numbers node{kInfinity, 0};
    int best = 0;
    uint32_t bestProof = 0;
    uint32_t second = kInfinity;
    for (int i = 0; i < count; ++i) {
      const Numbers child = Lookup(KeyAfter(board, moves[i]));
      node.disproof = SaturatingAdd(node.disproof, child.proof);
      if (child.disproof < node.proof) {
        second = node.proof;
        node.proof = child.disproof;
        best = i;
        bestProof = child.proof;
      } else if (child.disproof < second) {
        second = child.disproof;
      }
    }
    if (aborted_ || node.proof >= proofLimit || node.disproof >= disproofLimit) {
      Store(key, node, attacking);
      return;
    }
    // The child may work until another would settle this node sooner (a
    // quarter more, so that two close children do not take turns at every
    // step), or until this node's other limit is reached.
    const uint64_t childDisproofLimit =
        std::min<uint64_t>(proofLimit, uint64_t{second} + second / 4 + 1);
    const uint64_t childProofLimit =
        std::min<uint64_t>(uint64_t{disproofLimit} - node.disproof + bestProof, kInfinity);
    const int cell = moves[best];
    const bool threat = attacking && !forced;
    board.Make(cell);
    path_[ply_++] = static_cast<int16_t>(cell);
    threats_ += threat;
    Prove(board, static_cast<uint32_t>(childProofLimit), static_cast<uint32_t>(childDisproofLimit));
    threats_ -= threat;
    --ply_;
    board.Unmake();
  }
}

VctSearch::Expansion VctSearch::Expand(SearchBoard& board, Moves& moves, int& count, bool& forced) {
  if (board.SideToMove() == attacker_) return AttackMoves(board, moves, count, forced);
  return DefendMoves(board, moves, count);
}

// A five, or a win by fours, ends the attack. A four of the defender is
// blocked first, which counts as no threat. Otherwise fours and the moves
// that make a three, within the threats left.
VctSearch::Expansion VctSearch::AttackMoves(SearchBoard& board, Moves& moves, int& count,
                                            bool& forced) {
  const uint8_t defender = kOpponent[attacker_];
  winLineLength_ = 0;
  if (board.Count(attacker_, CellPattern::kFive) > 0) {
    winLine_[winLineLength_++] =
        static_cast<int16_t>(board.Cells(attacker_, CellPattern::kFive).First());
    return Expansion::kWon;
  }
  const int defenderFives = board.Count(defender, CellPattern::kFive);
  if (defenderFives >= 2 || ply_ >= kMaxPly - 2) return Expansion::kLost;
  if (defenderFives == 1) {
    moves[count++] = static_cast<int16_t>(board.Cells(defender, CellPattern::kFive).First());
    forced = true;
    return Expansion::kOpen;
  }
  if (HasVcf(board)) return Expansion::kWon;
  if (threats_ >= maxThreats_) return Expansion::kLost;
  count = CollectThreats(board, moves);
  return count > 0 ? Expansion::kOpen : Expansion::kLost;
}

// Fours and the moves that make a three (open, or in the last stages also
// closed), the most forcing and those next to the attacker's last move
// first. Below the root a local search's threat must share a line with one
// of the attacker's moves since: threats that ignore the attack so far are
// left to the search of any threats, where the root tries them first.
int VctSearch::CollectThreats(const SearchBoard& board, Moves& threats) const {
  const int last = ply_ >= 2 ? path_[ply_ - 2] : kNoCell;
  std::array<int16_t, kMaxMoves> scores;
  int count = 0;
  ForEachBoardCell([&](int cell) {
    if (board.CellPatternAt(cell, attacker_) < weakestThreat_) return;
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

// The defender wins (refutes the attack) with a five, a win by fours of
// its own, or when the attacker's last move left no threat. Without a
// four, the attacker's threat is a move that makes two ways to five, or
// else a win by fours if the defender passed. The first is met only on the
// cells that stop every such move, or by a four of the defender's own.
// Against fours, a reply matters only within a window of a cell of the
// line, or as a four of the defender's own.
VctSearch::Expansion VctSearch::DefendMoves(SearchBoard& board, Moves& moves, int& count) {
  const uint8_t defender = kOpponent[attacker_];
  if (board.Count(defender, CellPattern::kFive) > 0) return Expansion::kWon;
  const int attackerFives = board.Count(attacker_, CellPattern::kFive);
  if (attackerFives >= 2) return Expansion::kLost;
  if (attackerFives == 1) {
    moves[count++] = static_cast<int16_t>(board.Cells(attacker_, CellPattern::kFive).First());
    return Expansion::kOpen;
  }
  CellSet blocks;
  if (HasSureMove(board, attacker_)) {
    blocks = SureMoveBlocks(board);
  } else if (!AttackerVcfIfPassed(board, blocks)) {
    return Expansion::kWon;
  }
  if (HasVcf(board)) return Expansion::kWon;
  // The blocks first: they refute most threats that fail.
  blocks.ForEach([&](int cell) { moves[count++] = static_cast<int16_t>(cell); });
  CellSet counterFours = FourCells(board, defender);
  blocks.ForEach([&counterFours](int cell) { counterFours.Erase(cell); });
  counterFours.ForEach([&](int cell) { moves[count++] = static_cast<int16_t>(cell); });
  return count > 0 ? Expansion::kOpen : Expansion::kLost;
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

// The attacker's win by fours with the defender's turn skipped (related
// fours after the first, as at its own nodes); its line's cells and their
// empty window neighbours join the replies.
bool VctSearch::AttackerVcfIfPassed(SearchBoard& board, CellSet& replies) {
  const uint8_t defender = board.SideToMove();
  board.SetSideToMove(attacker_);
  const VcfResult result =
      vcf_.Search(board, VcfLimits{.maxNodes = vcfNodes_, .relatedFours = true});
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

// A win by fours for the side to move, within a small budget: one that is
// not found is only a missed win (or a missed refutation, which the
// defender's four replies still try). The attacker looks at every one of
// its nodes, so its look keeps to related fours after the first, at about
// a third of the cost; its line is kept. The defender's look tries all.
bool VctSearch::HasVcf(SearchBoard& board) {
  const VcfResult result = vcf_.Search(
      board, VcfLimits{.maxNodes = vcfNodes_, .relatedFours = board.SideToMove() == attacker_});
  nodes_ += result.nodes;
  if (result.outcome != VcfOutcome::kWin) return false;
  if (board.SideToMove() == attacker_) {
    winLineLength_ = result.lineLength;
    std::copy_n(result.line.begin(), result.lineLength, winLine_.begin());
  }
  return true;
}

// The proof played out from the root: at the attacker's turns a threat
// the table has as won, at the defender's the first reply, until the
// attack ends in a five or a win by fours.
void VctSearch::BuildLine(SearchBoard& board, VctResult& result) {
  const auto add = [&result](int cell) {
    if (result.lineLength < VctResult::kMaxLine) result.line[result.lineLength++] = cell;
  };
  ply_ = 0;
  threats_ = 0;
  for (;;) {
    Moves moves;
    int count = 0;
    bool forced = false;
    const bool attacking = board.SideToMove() == attacker_;
    Expansion expansion = Expand(board, moves, count, forced);
    if (expansion == Expansion::kWon && attacking) {
      for (int i = 0; i < winLineLength_; ++i) add(winLine_[i]);
    }
    // A defender left without an answer to two sure moves still takes the
    // cell of one, so that the line goes on to the five.
    if (expansion == Expansion::kLost && !attacking &&
        board.Count(attacker_, CellPattern::kFive) == 0 && HasSureMove(board, attacker_)) {
      moves[0] = static_cast<int16_t>(FirstSureMove(board, attacker_));
      expansion = Expansion::kOpen;
    }
    if (expansion != Expansion::kOpen) break;
    int next = attacking ? kNoCell : moves[0];
    for (int i = 0; attacking && i < count && next == kNoCell; ++i) {
      if (Lookup(KeyAfter(board, moves[i])).disproof == 0) next = moves[i];
    }
    if (next == kNoCell || ply_ >= kMaxPly - 2 || result.lineLength >= VctResult::kMaxLine) break;
    add(next);
    threats_ += attacking && !forced;
    board.Make(next);
    path_[ply_++] = static_cast<int16_t>(next);
  }
  for (; ply_ > 0; --ply_) board.Unmake();
  result.move = result.lineLength > 0 ? result.line[0] : kNoCell;
}

// Inner win-by-fours searches add to the count in steps, so the checks
// compare against a moving mark rather than a multiple of the interval.
bool VctSearch::OutOfBudget() {
  if (aborted_ || ++nodes_ > maxNodes_) return true;
  if (nodes_ < nextCheck_) return false;
  nextCheck_ = nodes_ + kCheckInterval;
  if (limits_->stop && limits_->stop->load(std::memory_order_relaxed)) return true;
  return limits_->deadline && std::chrono::steady_clock::now() >= *limits_->deadline;
}

uint64_t VctSearch::KeyAfter(const SearchBoard& board, int cell) const {
  return board.HashAfter(cell) ^ attackerKey_;
}

// A proven win holds whatever the stage and the threat limit, which only
// narrow the attacker's choice, so it is also kept under its win key,
// where every later search finds it. Failures hold only for their own
// stage and limit. `key` carries the current stage's part, taken out here.
uint64_t VctSearch::WinKey(uint64_t key) const {
  return key ^ attackerKey_ ^ SideKey(attacker_) ^ kWinKey;
}

VctSearch::Numbers VctSearch::Lookup(uint64_t key) const {
  const Entry& entry = table_[key & mask_];
  if (entry.hash == key) return entry.numbers;
  const uint64_t winKey = WinKey(key);
  const Entry& won = table_[winKey & mask_];
  return won.hash == winKey ? won.numbers : Numbers{};
}

// The numbers are the side to move's: the attacker has won when it moves
// and its proof is done, or when the defender moves and the defender's
// disproof is.
void VctSearch::Store(uint64_t key, Numbers numbers, bool attacking) {
  table_[key & mask_] = Entry{key, numbers};
  if ((attacking ? numbers.proof : numbers.disproof) == 0) {
    const uint64_t winKey = WinKey(key);
    table_[winKey & mask_] = Entry{winKey, numbers};
  }
}

}  // namespace pentad::strong
