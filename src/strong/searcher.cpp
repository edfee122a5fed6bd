// The alpha-beta under iterative deepening, and the node and time budget
// every part of the search keeps to.
#include "strong/searcher.hpp"

#include <algorithm>
#include <cstdlib>

#include "strong/evaluation.hpp"

namespace pentad::strong {
namespace {

using C = CellPattern;

constexpr int kInfinity = kWinScore + 1;
constexpr int kAspirationWindow = 60;
constexpr int64_t kCheckInterval = 1024;
// The look for a win by fours at every leaf.
constexpr int64_t kLeafVcfNodes = 64;
constexpr int kMaxExtendedDefences = 4;
// A four away from an opponent's threat: searched after the answers, a ply
// shallower, and since each one brings the threat back with the node's
// whole tree, only once in a line and with a few plies left to search.
constexpr int kLoneFourScore = -1000000;
constexpr int kLoneFourReduction = 1;
constexpr int kMaxLoneFoursInLine = 1;
constexpr int kMinLoneFourDepth = 3;
// Beyond any static value, short of a proof.
constexpr int kUnsureLoss = 10000;
constexpr int kKillerBonus = 40;
constexpr int kHashMoveScore = 1 << 30;
constexpr int kHistoryShift = 5;
constexpr int kMaxHistoryBonus = 30;
// A quiet node off the principal variation this close to the horizon
// whose static value beats beta by this much a ply is taken at that value.
constexpr int kStaticCutMaxDepth = 3;
constexpr int kStaticCutMargin = 60;

// Proven scores are stored relative to the node, so that a transposition
// met at another ply keeps its true distance.
int ToTable(int score, int ply) {
  if (score > kProvenScore) return score + ply;
  if (score < -kProvenScore) return score - ply;
  return score;
}

int FromTable(int score, int ply) {
  if (score > kProvenScore) return score - ply;
  if (score < -kProvenScore) return score + ply;
  return score;
}

// Quiet moves after this many are not searched at non-PV nodes unless
// they make or stop a threat.
constexpr int MoveWidth(int depth) {
  return 6 + 2 * depth;
}

constexpr int Reduction(int depth, int moveIndex) {
  if (depth < 3 || moveIndex < 3) return 0;
  return moveIndex < 10 ? 1 : 2;
}

// The moves between keep their order, so that a line's best move leaves
// the lines before it where they are.
void MoveToPlace(MoveList& moves, int cell, int place) {
  for (int i = place; i < moves.Size(); ++i) {
    if (moves[i].cell != cell) continue;
    const ScoredMove move = moves[i];
    for (int j = i; j > place; --j) moves[j] = moves[j - 1];
    moves[place] = move;
    return;
  }
}

// A proven result inside the horizon will not change with more depth.
bool ProvenWithinDepth(int score, int depth) {
  const auto plies = PliesToResult(score);
  return plies && std::abs(*plies) <= depth;
}

}  // namespace

Searcher::Searcher(TranspositionTable& table, VcfSearch& vcf, VctSearch& vct)
    : table_(table), vcf_(vcf), vct_(vct) {}

void Searcher::Clear() {
  for (auto& side : history_) side.fill(0);
  for (auto& pair : killers_) pair.fill(kNoCell);
}

void Searcher::StartSearch(const SearchBoard& board, const SearchLimits& limits) {
  board_ = board;
  limits_ = &limits;
  hardDeadline_ = TimeFromStart(limits.hardTime);
  nodes_ = 0;
  nextCheck_ = kCheckInterval;
  aborted_ = false;
  loneFoursInLine_ = 0;
  opponentThreatens_ = false;
  selDepth_ = 0;
  reportedBest_ = kNoCell;
  for (auto& side : history_)
    for (int32_t& value : side) value /= 2;
  for (auto& pair : killers_) pair.fill(kNoCell);
}

SearchOutcome Searcher::Run(const SearchBoard& board, const SearchLimits& limits,
                            const IterationCallback& onIteration, SearchHelpers* helpers) {
  StartSearch(board, limits);
  helpers_ = nullptr;
  publishedNodes_ = nullptr;
  isHelper_ = false;
  table_.NewSearch();

  SearchOutcome outcome;
  const Situation situation = GenerateMoves(board_, rootMoves_);
  if (situation == Situation::kDefend) AddEveryOwnFour(board_, rootMoves_);
  OrderMoves(rootMoves_, situation, 0, kNoCell);
  rootMoves_.SortByScore();
  DropExcludedRootMoves();
  if (!rootMoves_.Empty()) {
    outcome.move = rootMoves_[0].cell;
    outcome.pv = {outcome.move};
    if (!WinsAtOnce(outcome)) {
      StartHelpers(helpers);
      if (!WinsByThreats(outcome)) {
        KeepMovesAgainstOpponentFours();
        KeepMovesAgainstOpponentThreats();
        Deepen(outcome, onIteration);
        AvoidLossByThreatsInTimeLeft(outcome);
        WinsByThreatsInTimeLeft(outcome);
      }
      StopHelpers();
    }
  }
  PutMoveFirstInLines(outcome);
  ReportBestMove(outcome.move);
  outcome.nodes = nodes_;
  outcome.elapsedMs = ElapsedUs() / 1000;
  return outcome;
}

void Searcher::RunHelper(const SearchBoard& board, const MoveList& rootMoves,
                         const SearchLimits& limits, int helperIndex,
                         const std::atomic<int>& mainDepth, std::atomic<int64_t>& nodes) {
  StartSearch(board, limits);
  helpers_ = nullptr;
  publishedNodes_ = &nodes;
  isHelper_ = true;
  mainDepth_ = &mainDepth;
  rootMoves_ = rootMoves;
  DeepenAhead(1 + (helperIndex + 1) % 2);
  mainDepth_ = nullptr;
  nodes.store(nodes_, std::memory_order_relaxed);
}

// A helper's depth that the main search has finished is of no more use to
// it: the helper leaves it for the depth ahead again, so that what it puts
// into the table is what the main search is about to ask for.
void Searcher::DeepenAhead(int depthsAhead) {
  const int maxDepth = std::clamp(limits_->maxDepth, 1, kMaxPly - 2);
  const int lineCount = std::clamp(limits_->multiPv, 1, rootMoves_.Size());
  SearchOutcome outcome;
  outcome.move = rootMoves_[0].cell;
  for (int depth = 1;; ++depth) {
    depth = std::max(depth, mainDepth_->load(std::memory_order_relaxed) + depthsAhead);
    if (depth > maxDepth) return;
    helperDepth_ = depth;
    if (!SearchLines(depth, lineCount, outcome)) {
      if (StopRequested() || PastHardTime()) return;
      aborted_ = false;
      continue;
    }
    outcome.score = lines_.front().score;
    outcome.lines = lines_;
    if (ProvenWithinDepth(outcome.score, depth)) return;
  }
}

bool Searcher::MainCaughtUp() const {
  return mainDepth_ != nullptr && mainDepth_->load(std::memory_order_relaxed) >= helperDepth_;
}

// The helpers deepen while the main search also looks for wins by threats,
// which it does alone: the table they fill then speeds up its deepening.
void Searcher::StartHelpers(SearchHelpers* helpers) {
  helpers_ = rootMoves_.Size() > 1 ? helpers : nullptr;
  if (helpers_ != nullptr) helpers_->Start(board_, rootMoves_, *limits_);
}

// The helpers' nodes are counted in the main search's outcome: nodes per
// second then says what all threads together did.
void Searcher::StopHelpers() {
  if (helpers_ != nullptr) nodes_ += helpers_->Stop();
  helpers_ = nullptr;
}

int64_t Searcher::AllNodes() const {
  return nodes_ + (helpers_ != nullptr ? helpers_->Nodes() : 0);
}

// An analysis may leave root moves out. When they are all the position
// allows (the five to play, the block of a four), it still wants the best
// of the rest: every other cell where either side has a line. A board with
// nothing else keeps them.
void Searcher::DropExcludedRootMoves() {
  if (limits_->excluded.empty()) return;
  MoveList& kept = moveLists_[0];
  kept.Clear();
  for (int i = 0; i < rootMoves_.Size(); ++i) {
    if (!IsExcluded(rootMoves_[i].cell)) kept.Add(rootMoves_[i].cell, rootMoves_[i].score);
  }
  if (kept.Empty()) {
    ForEachBoardCell([&](int cell) {
      if (board_.Stone(cell) != kEmpty || IsExcluded(cell)) return;
      if (const int score = OrderScore(board_, cell); score > 0) kept.Add(cell, score);
    });
    kept.SortByScore();
  }
  if (!kept.Empty()) rootMoves_ = kept;
}

bool Searcher::IsExcluded(int cell) const {
  const std::vector<int>& excluded = limits_->excluded;
  return std::find(excluded.begin(), excluded.end(), cell) != excluded.end();
}

void Searcher::Deepen(SearchOutcome& outcome, const IterationCallback& onIteration) {
  const int maxDepth = std::clamp(limits_->maxDepth, 1, kMaxPly - 2);
  const int lineCount = std::clamp(limits_->multiPv, 1, rootMoves_.Size());
  int64_t lastIterationUs = 0;
  for (int depth = 1; depth <= maxDepth; ++depth) {
    if (depth > 1 && !StartsAnotherIteration(depth, lastIterationUs)) break;
    const int64_t startUs = ElapsedUs();
    selDepth_ = 0;
    if (!SearchLines(depth, lineCount, outcome)) {
      TakeUnfinishedImprovement(outcome);
      break;
    }
    lastIterationUs = ElapsedUs() - startUs;
    outcome.move = lines_.front().move;
    outcome.score = lines_.front().score;
    outcome.depth = depth;
    outcome.selDepth = selDepth_;
    outcome.pv = lines_.front().pv;
    outcome.lines = lines_;
    ReportBestMove(outcome.move);
    if (helpers_ != nullptr) helpers_->MainFinishedDepth(depth);
    if (onIteration) {
      onIteration(IterationReport{depth, selDepth_, outcome.score, AllNodes(), ElapsedUs() / 1000,
                                  outcome.pv, outcome.lines});
    }
    // A single reply needs no comparison.
    if (rootMoves_.Size() == 1 || ProvenWithinDepth(outcome.score, depth)) break;
  }
}

// Under a node budget only the depth limits and the hard time; otherwise
// the clock. The next iteration takes a few times the last and may not
// finish, but a move that beats the first one before the hard limit is
// still played, so it starts whenever the last one's time is left.
bool Searcher::StartsAnotherIteration(int depth, int64_t lastIterationUs) const {
  if (depth > limits_->maxDepth) return false;
  if (limits_->maxNodes) return !PastHardTime();
  const int64_t elapsed = ElapsedUs();
  if (elapsed >= limits_->softTime.count()) return false;
  return elapsed + lastIterationUs < limits_->hardTime.count();
}

// A move that beat the first one at the unfinished depth was searched as
// deeply as the first: better than the last finished depth's choice.
void Searcher::KeepImprovement() {
  improvement_ = pv_[0];
  improvementLength_ = pvLength_[0];
}

void Searcher::TakeUnfinishedImprovement(SearchOutcome& outcome) const {
  if (improvementLength_ == 0) return;
  outcome.move = improvement_[0];
  outcome.pv.assign(improvement_.begin(), improvement_.begin() + improvementLength_);
}

// Line k searches the root moves after the k lines before it, each line
// within a window around its own score of the last depth. False when the
// search ended first: an end in a later line plays this depth's best line,
// searched in full.
bool Searcher::SearchLines(int depth, int lineCount, const SearchOutcome& last) {
  improvementLength_ = 0;
  lines_.clear();
  for (int first = 0; first < lineCount; ++first) {
    const bool seen = first < static_cast<int>(last.lines.size());
    const int score = Aspiration(depth, seen ? last.lines[first].score : last.score, first);
    if (aborted_) return false;
    lines_.push_back(RootLine{pv_[0][0], score, {pv_[0].begin(), pv_[0].begin() + pvLength_[0]}});
    if (first == 0) KeepImprovement();
  }
  if (lineCount > 1) SortLines();
  return true;
}

// A later line may come out above an earlier one, its window and
// reductions being its own: the lines and the root moves go by score.
void Searcher::SortLines() {
  std::stable_sort(lines_.begin(), lines_.end(),
                   [](const RootLine& a, const RootLine& b) { return a.score > b.score; });
  for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
    MoveToPlace(rootMoves_, line->move, 0);
  }
}

// Whatever settled the move (a win before the iterations, a better move
// at an unfinished depth, the check against the opponent's threats), the
// lines start with it.
void Searcher::PutMoveFirstInLines(SearchOutcome& outcome) const {
  if (outcome.move == kNoCell) return;
  std::erase_if(outcome.lines, [&](const RootLine& line) { return line.move == outcome.move; });
  outcome.lines.insert(outcome.lines.begin(), RootLine{outcome.move, outcome.score, outcome.pv});
  if (static_cast<int>(outcome.lines.size()) > std::max(limits_->multiPv, 1)) {
    outcome.lines.pop_back();
  }
}

// Only the main search speaks for the engine: a helper's best move at its
// own depth is not the one that will be played.
void Searcher::ReportBestMove(int cell) {
  if (isHelper_ || !limits_->onBestMove || cell == kNoCell || cell == reportedBest_) return;
  reportedBest_ = cell;
  limits_->onBestMove(cell);
}

int Searcher::Aspiration(int depth, int previous, int first) {
  if (depth < 4 || IsProven(previous)) return SearchRoot(-kInfinity, kInfinity, depth, first);
  int delta = kAspirationWindow;
  int alpha = previous - delta;
  int beta = previous + delta;
  for (;;) {
    const int score = SearchRoot(alpha, beta, depth, first);
    if (aborted_) return score;
    if (score <= alpha) {
      alpha = std::max(score - delta, -kInfinity);
    } else if (score >= beta) {
      beta = std::min(score + delta, kInfinity);
    } else {
      return score;
    }
    // A second miss opens the window fully.
    if (delta > kAspirationWindow) {
      alpha = -kInfinity;
      beta = kInfinity;
    }
    delta *= 4;
  }
}

// The root moves from `first` on: those before are the lines already
// found at this depth.
int Searcher::SearchRoot(int alpha, int beta, int depth, int first) {
  pvLength_[0] = 0;
  int best = -kInfinity;
  int bestCell = rootMoves_[first].cell;
  leafVcfRuledOut_[1] = false;
  for (int i = first; i < rootMoves_.Size(); ++i) {
    const int cell = rootMoves_[i].cell;
    board_.Make(cell);
    int score;
    if (i == first) {
      score = -Search(-beta, -alpha, depth - 1, 1);
    } else {
      score = -Search(-alpha - 1, -alpha, depth - 1, 1);
      if (score > alpha && score < beta) score = -Search(-beta, -alpha, depth - 1, 1);
    }
    board_.Unmake();
    if (aborted_) return best;
    if (score > best) {
      best = score;
      bestCell = cell;
      if (score > alpha) {
        alpha = score;
        UpdatePv(0, cell);
        if (first == 0 && i > 0) {
          KeepImprovement();
          ReportBestMove(cell);
        }
        if (score >= beta) break;
      }
    }
  }
  // A failed-low iteration keeps the last best move in front.
  if (pvLength_[0] == 0) {
    pv_[0][0] = static_cast<int16_t>(bestCell);
    pvLength_[0] = 1;
  }
  MoveToPlace(rootMoves_, pv_[0][0], first);
  return best;
}

int Searcher::Search(int alpha, int beta, int depth, int ply) {
  pvLength_[ply] = ply;
  selDepth_ = std::max(selDepth_, ply);
  if (OutOfBudget()) return 0;
  const uint8_t me = board_.SideToMove();
  const uint8_t opponent = kOpponent[me];
  if (board_.Count(me, C::kFive) > 0) return WinIn(ply + 1);
  const int opponentFives = board_.Count(opponent, C::kFive);
  if (opponentFives >= 2) return -WinIn(ply + 2);
  if (ply >= kMaxPly - 1) return Evaluate(board_);
  // Without a five now, the side to move wins at its next move but one at
  // the soonest and loses at the opponent's next move at the latest.
  alpha = std::max(alpha, -WinIn(ply + 2));
  beta = std::min(beta, WinIn(ply + 3));
  if (alpha >= beta) return alpha;
  if (depth <= 0 && opponentFives == 0) return Leaf(ply);

  int ttMove = kNoCell;
  if (const std::optional<TtEntry> entry = table_.Probe(board_.Hash())) {
    ttMove = entry->move;
    const int score = FromTable(entry->score, ply);
    const bool pvNode = beta - alpha > 1;
    if (!pvNode && entry->depth >= depth &&
        (entry->bound == Bound::kExact || (entry->bound == Bound::kLower && score >= beta) ||
         (entry->bound == Bound::kUpper && score <= alpha))) {
      return score;
    }
  }
  if (const std::optional<int> value = StaticCut(beta - alpha > 1, beta, depth)) return *value;
  const Situation situation = GenerateMoves(board_, moveLists_[ply]);
  if (moveLists_[ply].Empty()) return 0;  // a full board is a draw
  if (situation == Situation::kLost) return -WinIn(ply + PliesToLoseAgainstThreats(board_));
  // A lone four away from a threat mostly only puts it off: the look for a
  // win by fours comes first, and such fours go after the answers.
  loneFourCount_[ply] = 0;
  loneFoursLeftOut_[ply] = false;
  if (situation == Situation::kDefend) {
    if (const std::optional<int> win = LeafVcfWin(ply)) return *win;
    if (depth >= kMinLoneFourDepth && loneFoursInLine_ < kMaxLoneFoursInLine) {
      AddLoneFours(ply);
    } else {
      loneFoursLeftOut_[ply] = true;
    }
  }
  return SearchMoves(alpha, beta, depth, ply, situation, ttMove);
}

// Fours away from the threat go last and a ply shallower. They are not
// left out: their stone and the block they force can change what the
// threat needs later, and without them a threat that such a four answers
// would count as a win.
void Searcher::AddLoneFours(int ply) {
  MoveList& moves = moveLists_[ply];
  const int answers = moves.Size();
  if (!AddEveryOwnFour(board_, moves)) return;
  loneFours_[ply] = CellSet{};
  for (int i = answers; i < moves.Size(); ++i) {
    loneFours_[ply].Insert(moves[i].cell);
    moves[i].score = kLoneFourScore;
  }
  loneFourCount_[ply] = moves.Size() - answers;
}

// A four left out of the answers may still hold: a node that loses
// without it is scored as very bad, not as proven lost.
bool Searcher::HasLoneFour(int ply) const {
  CellSet fours = board_.Cells(board_.SideToMove(), C::kFour);
  const MoveList& moves = moveLists_[ply];
  for (int i = 0; i < moves.Size(); ++i) fours.Erase(moves[i].cell);
  return !fours.Empty();
}

// Without a threat of the opponent's to answer, the side to move keeps
// most of its static lead over the next few plies: the moves would only
// confirm the cut-off, at the cost of the node's whole width.
std::optional<int> Searcher::StaticCut(bool pvNode, int beta, int depth) const {
  if (pvNode || depth > kStaticCutMaxDepth || IsProven(beta)) return std::nullopt;
  const uint8_t opponent = kOpponent[board_.SideToMove()];
  if (board_.Count(opponent, C::kFive) > 0 || HasStrongThreat(board_, opponent)) {
    return std::nullopt;
  }
  const int value = Evaluate(board_);
  if (value - kStaticCutMargin * depth < beta) return std::nullopt;
  return value;
}

int Searcher::SearchMoves(int alpha, int beta, int depth, int ply, Situation situation,
                          int ttMove) {
  MoveList& moves = moveLists_[ply];
  OrderMoves(moves, situation, ply, ttMove);
  const uint8_t me = board_.SideToMove();
  const uint8_t opponent = kOpponent[me];
  const bool pvNode = beta - alpha > 1;
  const bool quiet = situation == Situation::kQuiet;
  // Forced replies cost no depth: the block of a four, and the few answers
  // to a threat, so that a line of threats is followed to its end.
  const bool forced = situation == Situation::kBlockFour ||
                      (situation == Situation::kDefend &&
                       moves.Size() - loneFourCount_[ply] <= kMaxExtendedDefences);
  const int childDepth = forced ? std::max(depth, 0) : depth - 1;
  leafVcfRuledOut_[ply + 1] = childDepth <= 0 && OpponentHasNoVcfEvenAfterPass();
  const int alphaBefore = alpha;
  int best = -kInfinity;
  int bestCell = kNoCell;
  for (int i = 0; i < moves.Size(); ++i) {
    const int cell = moves.PickBest(i).cell;
    const bool tactical = board_.CellPatternAt(cell, me) >= C::kOpenThree ||
                          board_.CellPatternAt(cell, opponent) >= C::kOpenThree;
    if (quiet && !pvNode && i >= MoveWidth(depth) && !tactical && bestCell != kNoCell) break;
    const bool lone = loneFourCount_[ply] > 0 && loneFours_[ply].Contains(cell);
    const int reduction = lone ? kLoneFourReduction : quiet && !tactical ? Reduction(depth, i) : 0;
    board_.Make(cell);
    loneFoursInLine_ += lone;
    int score;
    if (i == 0) {
      score = -Search(-beta, -alpha, childDepth, ply + 1);
    } else {
      score = -Search(-alpha - 1, -alpha, childDepth - reduction, ply + 1);
      if (score > alpha && reduction > 0) score = -Search(-alpha - 1, -alpha, childDepth, ply + 1);
      if (score > alpha && score < beta) score = -Search(-beta, -alpha, childDepth, ply + 1);
    }
    board_.Unmake();
    loneFoursInLine_ -= lone;
    if (aborted_) return 0;
    if (score <= best) continue;
    best = score;
    bestCell = cell;
    if (score <= alpha) continue;
    alpha = score;
    UpdatePv(ply, cell);
    if (score >= beta) {
      if (quiet) RewardCutoff(cell, depth, ply);
      break;
    }
  }
  if (best < -kProvenScore && loneFoursLeftOut_[ply] && HasLoneFour(ply)) best = -kUnsureLoss;
  const Bound bound = best >= beta         ? Bound::kLower
                      : best > alphaBefore ? Bound::kExact
                                           : Bound::kUpper;
  table_.Store(board_.Hash(), bestCell, ToTable(best, ply), depth, bound);
  return best;
}

// Neither side has a five to play. The side to move wins if it has a win
// by fours, and loses if the opponent's threats cannot all be stopped. The
// look at every leaf keeps to related fours after the first, so that its
// few nodes go to lines that can win.
int Searcher::Leaf(int ply) {
  if (!leafVcfRuledOut_[ply]) {
    if (const std::optional<int> win = LeafVcfWin(ply)) return *win;
  }
  if (!CanAnswerThreats(board_)) {
    return -WinIn(ply + PliesToLoseAgainstThreats(board_));
  }
  return Evaluate(board_);
}

// A stone of ours takes fours from the opponent and gives it none: when it
// has no win by fours even were we to pass, it has none after any of our
// moves, and one look here spares the look at each leaf below. Only a
// search that ran out of fours proves that; one out of nodes proves
// nothing.
bool Searcher::OpponentHasNoVcfEvenAfterPass() {
  return !HasFourMove(board_, kOpponent[board_.SideToMove()]) ||
         OpponentVcfWereItToMove(LeafVcfLimits()) == VcfOutcome::kNoWin;
}

// The side to move's win by fours within the leaves' budget, scored by
// its distance.
std::optional<int> Searcher::LeafVcfWin(int ply) {
  if (!HasFourMove(board_, board_.SideToMove()) || !FindVcf(LeafVcfLimits())) return std::nullopt;
  return WinIn(ply + vcfResult_.plies);
}

VcfLimits Searcher::LeafVcfLimits() {
  return VcfLimits{.maxNodes = kLeafVcfNodes, .maxFours = kVcfFours, .relatedFours = true};
}

// Within what is left of the node budget; with none left, the result
// says so rather than keeping the last search's.
bool Searcher::FindVcf(VcfLimits vcfLimits) {
  if (limits_->maxNodes) {
    vcfLimits.maxNodes = std::min(vcfLimits.maxNodes, *limits_->maxNodes - nodes_);
  }
  if (vcfLimits.maxNodes <= 0) {
    vcfResult_ = VcfResult{.outcome = VcfOutcome::kOutOfNodes};
    return false;
  }
  vcfResult_ = vcf_.Search(board_, vcfLimits);
  nodes_ += vcfResult_.nodes;
  return vcfResult_.outcome == VcfOutcome::kWin;
}

// As if the side to move passed: what the opponent's fours alone can do.
VcfOutcome Searcher::OpponentVcfWereItToMove(VcfLimits vcfLimits) {
  const uint8_t me = board_.SideToMove();
  board_.SetSideToMove(kOpponent[me]);
  FindVcf(vcfLimits);
  board_.SetSideToMove(me);
  return vcfResult_.outcome;
}

void Searcher::OrderMoves(MoveList& moves, Situation situation, int ply, int ttMove) const {
  if (situation == Situation::kQuiet || situation == Situation::kDefend) {
    const int side = board_.SideToMove() - 1;
    for (int i = 0; i < moves.Size(); ++i) {
      ScoredMove& move = moves[i];
      if (move.cell == killers_[ply][0] || move.cell == killers_[ply][1]) {
        move.score += kKillerBonus;
      }
      move.score += std::min(history_[side][move.cell] >> kHistoryShift, kMaxHistoryBonus);
    }
  }
  if (ttMove == kNoCell) return;
  for (int i = 0; i < moves.Size(); ++i) {
    if (moves[i].cell == ttMove) moves[i].score = kHashMoveScore;
  }
}

void Searcher::RewardCutoff(int cell, int depth, int ply) {
  if (killers_[ply][0] != cell) {
    killers_[ply][1] = killers_[ply][0];
    killers_[ply][0] = static_cast<int16_t>(cell);
  }
  int32_t& history = history_[board_.SideToMove() - 1][cell];
  history = std::min(history + depth * depth, int32_t{1} << 20);
}

void Searcher::UpdatePv(int ply, int cell) {
  pv_[ply][ply] = static_cast<int16_t>(cell);
  const int childLength = ply + 1 < kMaxPly ? pvLength_[ply + 1] : ply + 1;
  for (int i = ply + 1; i < childLength; ++i) pv_[ply][i] = pv_[ply + 1][i];
  pvLength_[ply] = std::max(childLength, ply + 1);
}

// The node budget and a stop request end the search at once; the clock is
// looked at every kCheckInterval nodes.
bool Searcher::OutOfBudget() {
  ++nodes_;
  if (aborted_) return true;
  if (limits_->maxNodes && nodes_ > *limits_->maxNodes) return aborted_ = true;
  if (StopRequested()) return aborted_ = true;
  if (nodes_ < nextCheck_) return false;
  nextCheck_ = nodes_ + kCheckInterval;
  if (publishedNodes_ != nullptr) publishedNodes_->store(nodes_, std::memory_order_relaxed);
  if (PastHardTime() || MainCaughtUp()) return aborted_ = true;
  return false;
}

bool Searcher::StopRequested() const {
  return limits_->stop && limits_->stop->load(std::memory_order_relaxed);
}

bool Searcher::PastHardTime() const {
  return hardDeadline_ && SearchLimits::Clock::now() >= *hardDeadline_;
}

// `span` after the start, or nothing when the clock cannot count that far:
// kNoTimeLimit, or any span past the clock's range, is no deadline at all.
std::optional<SearchLimits::Clock::time_point> Searcher::TimeFromStart(
    std::chrono::microseconds span) const {
  const auto room = std::chrono::duration_cast<std::chrono::microseconds>(
      SearchLimits::Clock::time_point::max() - limits_->start);
  if (span >= room) return std::nullopt;
  return limits_->start + span;
}

int64_t Searcher::ElapsedUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(SearchLimits::Clock::now() -
                                                               limits_->start)
      .count();
}

}  // namespace pentad::strong
