// The root's tactics: before the iterations, a win by fours or threats
// is played at once, and moves after which the opponent wins by fours or
// threats are dropped; after them, the time left looks further for a win
// and checks the chosen move against the opponent's threats.
#include <algorithm>
#include <chrono>
#include <limits>

#include "strong/searcher.hpp"

namespace pentad::strong {
namespace {

using C = CellPattern;

// A win by fours is looked for at the root with a larger budget than at
// every leaf.
constexpr int64_t kRootVcfNodes = 50000;
// A win by threats at the root, and the checks against the opponent's,
// take up to an eighth of the move each.
constexpr int64_t kRootVctShare = 8;
constexpr int kRootVctThreats = 12;
// The look after the iterations may go on to a quarter past the time
// before the last iteration may start, never past the move's end.
constexpr int kLateVctExtraShare = 4;
constexpr int64_t kRootVctVcfNodes = 500;
// The checks of each root move against the opponent's win by threats.
constexpr int64_t kMinVctCheckNodes = 1000;
constexpr int64_t kTimedVctCheckNodes = 20000;
// A search without a clock (an analysis until stopped) has no share of a
// move to give the looks for wins by threats at the root: they get nodes
// instead, about what a move of a few seconds gives them.
constexpr int64_t kUntimedRootVctNodes = 2'000'000;
// A win by threats whose line does not end in a five is at most this far:
// every threat and every four of the longest line it could take.
constexpr int kUnknownVctPlies = 2 * VctResult::kMaxLine + 3;

// Spans of the clock add up to kNoTimeLimit at most: a caller's time may
// be unlimited.
std::chrono::microseconds SpanSum(std::chrono::microseconds a, std::chrono::microseconds b) {
  return a > kNoTimeLimit - b ? kNoTimeLimit : a + b;
}

}  // namespace

// A five, or a win by fours, needs no deeper look.
bool Searcher::WinsAtOnce(SearchOutcome& outcome) {
  if (StopRequested()) return false;
  int64_t budget = kRootVcfNodes;
  if (limits_->maxNodes) budget = std::min(budget, *limits_->maxNodes / 4);
  if (!FindVcf(RootVcfLimits(budget)) || IsExcluded(vcfResult_.move)) return false;
  outcome.move = vcfResult_.move;
  outcome.score = WinIn(vcfResult_.plies);
  outcome.depth = 1;
  outcome.pv.assign(vcfResult_.line.begin(), vcfResult_.line.begin() + vcfResult_.lineLength);
  return true;
}

// A proven win by fours and threes is played at once, its line as the PV.
bool Searcher::WinsByThreats(SearchOutcome& outcome) {
  if (StopRequested()) return false;
  const VctLimits vctLimits = RootVctLimits(kRootVctShare);
  if (vctLimits.maxNodes <= 0) return false;
  if (!PlaysVctWin(vctLimits, outcome)) return false;
  outcome.depth = 1;
  return true;
}

// Iterations end well before the clock does, when the next one would not
// fit; the time up to a little past the last start of an iteration goes to
// a longer look for a win by threats, which picks up where the first one
// left off through its table. A win it proves replaces the move.
void Searcher::WinsByThreatsInTimeLeft(SearchOutcome& outcome) {
  if (limits_->maxNodes || StopRequested() || IsProven(outcome.score)) return;
  const auto lateTime = SpanSum(limits_->softTime, limits_->softTime / kLateVctExtraShare);
  const auto deadline = TimeFromStart(std::min(lateTime, limits_->hardTime));
  if (deadline && SearchLimits::Clock::now() >= *deadline) return;
  VctLimits vctLimits = RootVctLimits(1);
  vctLimits.deadline = deadline;
  PlaysVctWin(vctLimits, outcome);
}

// Against an opponent who would win by threats were it to move, each root
// move got only a short check. The time left, up to the move's end, checks
// the chosen move further: a wrong defence loses the game. When the
// opponent is proven to win after it, the next root moves are checked in
// the search's order, and the first not proven lost is played. The move
// stays when the time runs out first or every other one is lost too.
void Searcher::AvoidLossByThreatsInTimeLeft(SearchOutcome& outcome) {
  if (!opponentThreatens_ || limits_->maxNodes || StopRequested() || IsProven(outcome.score)) {
    return;
  }
  VctLimits vctLimits = RootVctLimits(1);
  vctLimits.deadline = hardDeadline_;
  // The chosen move first (i = -1), then the others in order.
  for (int i = -1; i < rootMoves_.Size(); ++i) {
    const int cell = i < 0 ? outcome.move : rootMoves_[i].cell;
    if (i >= 0 && cell == outcome.move) continue;
    if (PastHardTime()) return;
    if (OpponentWinsByThreatsAfter(cell, vctLimits)) continue;
    if (i >= 0) {
      outcome.move = cell;
      outcome.pv = {cell};
    }
    return;
  }
}

bool Searcher::OpponentWinsByThreatsAfter(int cell, const VctLimits& vctLimits) {
  board_.Make(cell);
  const VctResult result = vct_.Search(board_, vctLimits);
  board_.Unmake();
  nodes_ += result.nodes;
  return result.outcome == VctOutcome::kWin;
}

// A win by threats the search proves becomes the move, its line the PV.
// Our own wins also try closed threes; the checks against the opponent's
// threats, many and short, keep to fours and open threes.
bool Searcher::PlaysVctWin(VctLimits vctLimits, SearchOutcome& outcome) {
  vctLimits.closedThrees = true;
  const VctResult result = vct_.Search(board_, vctLimits);
  nodes_ += result.nodes;
  if (result.outcome != VctOutcome::kWin || result.move == kNoCell || IsExcluded(result.move)) {
    return false;
  }
  outcome.move = result.move;
  outcome.score = WinIn(VctWinPlies(result));
  outcome.pv.assign(result.line.begin(), result.line.begin() + result.lineLength);
  return true;
}

// The looks for wins by fours at the root end at a stop or the hard time,
// as the main search does.
VcfLimits Searcher::RootVcfLimits(int64_t budget) const {
  return VcfLimits{
      .maxNodes = budget, .maxFours = kVcfFours, .deadline = hardDeadline_, .stop = limits_->stop};
}

// A 1/share of the move from now: of the node budget, which keeps the
// search the same on every machine, else of the time before the last
// iteration may start, or without a clock of kUntimedRootVctNodes. Either
// way it ends at a stop or the hard time.
VctLimits Searcher::RootVctLimits(int64_t share) const {
  VctLimits vctLimits;
  vctLimits.maxThreats = kRootVctThreats;
  vctLimits.vcfNodes = kRootVctVcfNodes;
  vctLimits.stop = limits_->stop;
  if (limits_->maxNodes) {
    vctLimits.maxNodes = std::min(*limits_->maxNodes / share, *limits_->maxNodes - nodes_);
    vctLimits.deadline = hardDeadline_;
  } else if (limits_->softTime == kNoTimeLimit) {
    vctLimits.maxNodes = kUntimedRootVctNodes / share;
    vctLimits.deadline = hardDeadline_;
  } else {
    vctLimits.maxNodes = std::numeric_limits<int64_t>::max();
    const auto shareEnd =
        SpanSum(std::chrono::microseconds(ElapsedUs()), limits_->softTime / share);
    vctLimits.deadline = TimeFromStart(std::min(shareEnd, limits_->hardTime));
  }
  return vctLimits;
}

// When the opponent would win by fours were it its turn, only moves that
// take that win away, or fours of our own, are worth searching. Nothing is
// dropped when nothing stops it, and once the checks have cost
// kRootVcfNodes the remaining moves are kept unchecked.
void Searcher::KeepMovesAgainstOpponentFours() {
  if (rootMoves_.Size() < 2 || !OpponentWinsByFours()) return;
  const uint8_t me = board_.SideToMove();
  const int64_t giveUpAt = nodes_ + kRootVcfNodes;
  MoveList& kept = moveLists_[0];
  kept.Clear();
  for (int i = 0; i < rootMoves_.Size(); ++i) {
    const int cell = rootMoves_[i].cell;
    bool stops = nodes_ >= giveUpAt || board_.CellPatternAt(cell, me) >= C::kFour;
    if (!stops) {
      board_.Make(cell);
      stops = !FindVcf(RootVcfLimits(kRootVcfNodes / 50));
      board_.Unmake();
    }
    if (stops) kept.Add(cell, rootMoves_[i].score);
  }
  if (!kept.Empty()) rootMoves_ = kept;
}

bool Searcher::OpponentWinsByFours() {
  return OpponentVcfWereItToMove(RootVcfLimits(kRootVcfNodes / 10)) == VcfOutcome::kWin;
}

// The same for a win by threats, within a share of the move: moves after
// which the opponent is proven to win are dropped, unless every one is.
// Each check gets an equal part of the share; what is not checked in time
// is kept.
void Searcher::KeepMovesAgainstOpponentThreats() {
  if (rootMoves_.Size() < 2 || StopRequested()) return;
  VctLimits vctLimits = RootVctLimits(kRootVctShare);
  const int64_t giveUpAt =
      limits_->maxNodes ? nodes_ + vctLimits.maxNodes : std::numeric_limits<int64_t>::max();
  if (limits_->maxNodes) vctLimits.maxNodes /= 4;
  if (vctLimits.maxNodes <= 0 || !OpponentWinsByThreats(vctLimits)) return;
  opponentThreatens_ = true;
  if (limits_->maxNodes) {
    const int64_t each = std::max(vctLimits.maxNodes * 2 / rootMoves_.Size(), kMinVctCheckNodes);
    vctLimits.maxNodes = std::min(each, *limits_->maxNodes - nodes_);
  } else {
    vctLimits.maxNodes = kTimedVctCheckNodes;
  }
  MoveList& kept = moveLists_[0];
  kept.Clear();
  for (int i = 0; i < rootMoves_.Size(); ++i) {
    const int cell = rootMoves_[i].cell;
    if (nodes_ >= giveUpAt || !OpponentWinsByThreatsAfter(cell, vctLimits)) {
      kept.Add(cell, rootMoves_[i].score);
    }
  }
  if (!kept.Empty()) rootMoves_ = kept;
}

bool Searcher::OpponentWinsByThreats(VctLimits vctLimits) {
  const uint8_t me = board_.SideToMove();
  board_.SetSideToMove(kOpponent[me]);
  const VctResult result = vct_.Search(board_, vctLimits);
  board_.SetSideToMove(me);
  nodes_ += result.nodes;
  return result.outcome == VctOutcome::kWin;
}

// As for fours, when the line reaches the five; a line cut short where a
// position was already known to be won gives only a bound.
int Searcher::VctWinPlies(const VctResult& result) {
  const int length = result.lineLength;
  if (length % 2 == 0) return kUnknownVctPlies;  // none, or it ends with a defence
  const uint8_t attacker = board_.SideToMove();
  for (int i = 0; i + 1 < length; ++i) board_.Make(result.line[i]);
  const C last = board_.CellPatternAt(result.line[length - 1], attacker);
  for (int i = 0; i + 1 < length; ++i) board_.Unmake();
  if (last == C::kFive) return length;
  if (last == C::kOpenFour || last == C::kDoubleFour) return length + 2;
  return kUnknownVctPlies;
}

}  // namespace pentad::strong
