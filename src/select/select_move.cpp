#include "select/select_move.hpp"

#include "board/evaluate.hpp"
#include "book/consultation.hpp"
#include "threats/threat_search.hpp"

namespace pentad {
namespace {

constexpr int kBookLimit = 9;
constexpr int32_t kLeastPlayableValue = 1;
constexpr int32_t kWinScore = 1000000;
constexpr int32_t kBlockScore = 800000;
constexpr int kLastPerReplyDepth = 10;
constexpr int kDefensiveWidth = 16;
constexpr int kRefutationDepth = 9;
constexpr int kDefencePerReplyDepth = 8;

class MoveSelection {
 public:
  MoveSelection(EngineContext& context, DecisionTrace& trace) : c_(context), trace_(trace) {}

  CandidateRecord Run() {
    c_.sideToMove = c_.engineSide;
    c_.EvaluateAll();
    c_.BuildCandidates(1);
    trace_.candidates.assign(&c_.candidates.at(1, 1), &c_.candidates.at(1, 1) + kTopLevelWidth);
    if (c_.stoneCount <= kBookLimit && ConsultBook(c_, trace_.book))
      return Decided("book", c_.candidates.at(1, 1));
    chosen_ = c_.candidates.at(1, 1);
    if (chosen_.value < kLeastPlayableValue) return Decided("immediate", chosen_);
    if (chosen_.oppScore >= kBlockScore || chosen_.ownScore >= kWinScore)
      return Decided("immediate", chosen_);

    DeepenThreatSearches();
    if (!found_) {
      ResortCandidates(c_.candidates, 1);
      chosen_ = c_.candidates.at(1, 1);
    }
    if (found_) {
      RecordLine();
      return Decided("search", chosen_);
    }
    if (chosen_.ownThreat >= kThreatFour) return Decided("four", chosen_);
    return Decided("defence", DefensivePass());
  }

 private:
  CandidateRecord Decided(const char* stage, const CandidateRecord& move) {
    trace_.stage = stage;
    return move;
  }

  void DeepenThreatSearches() {
    c_.searchDepth = 1;
    found_ = false;
    // A first shallow pass; only its cost counts, its answer is not used.
    SearchCombined(c_, c_.board, reply_, replyIndex_, false);
    FilterForcedReplies(c_.candidates, 1);
    ResortCandidates(c_.candidates, 1);
    while (c_.searchDepth <= kMaxSearchLevel && !c_.TimeUp() && !found_) {
      if (c_.searchDepth > 9) c_.searchDepth = kMaxSearchLevel;
      found_ = SearchCombined(c_, c_.board, chosen_, chosenIndex_, false, &line_);
      foundByCombined_ = found_;
      if (!found_ && c_.searchDepth <= kLastPerReplyDepth)
        found_ = SearchPerReply(c_, c_.board, chosen_, chosenIndex_, false, &line_);
      if (found_ && chosen_.ownThreat < kThreatFour) {
        if (!RefutationCheck()) return;
      }
      ++c_.searchDepth;
      if (trace_.onDepth) trace_.onDepth(c_.searchDepth - 1, c_.time.Checks(), c_.time.ElapsedMs());
    }
  }

  // Plays the line's first move and looks for a forced win of the opponent
  // by fours; a refuted move stays excluded. Returns false when the time ran
  // out before anything was played: the line then stands unchecked.
  bool RefutationCheck() {
    c_.SaveTable();
    if (c_.TimeUp()) return false;
    const CandidateRecord& first = c_.savedCandidates.at(1, chosenIndex_);
    if (first.IsPlaceholder()) return true;
    c_.lineMoves[0] = first;
    c_.sideToMove = c_.engineSide;
    c_.attackingSide = c_.sideToMove;
    const int rememberedDepth = c_.searchDepth;
    c_.searchDepth = kRefutationDepth;
    c_.PlayCandidate(1);
    c_.sideToMove = kOpponent[c_.engineSide];
    c_.attackingSide = c_.sideToMove;
    c_.BuildCandidates(1);
    if (c_.candidates.at(1, chosenIndex_).oppThreat < kThreatFive) {
      bool refuted = SearchCombined(c_, c_.board, reply_, replyIndex_, true);
      if (!refuted) {
        c_.searchDepth = kLastPerReplyDepth;
        refuted = SearchPerReply(c_, c_.board, reply_, replyIndex_, true);
      }
      c_.savedCandidates.at(1, chosenIndex_).excluded = refuted;
      if (refuted) found_ = false;
    }
    c_.TakeBack(1);
    c_.RestoreTable();
    c_.searchDepth = rememberedDepth;
    return true;
  }

  // The first of the best candidates after which the opponent has no
  // forced win; failing that, the best-scored one tried.
  CandidateRecord DefensivePass() {
    c_.SaveTable();
    c_.bestDefence = c_.candidates.at(1, 1);
    c_.bestDefence.value = -200000000;
    c_.bestDefence.ownScore = kOccupiedValue;
    c_.bestDefence.oppScore = kOccupiedValue;
    int32_t bestSeen = 0;
    for (int k = 1; k <= kDefensiveWidth; ++k) {
      CandidateRecord& saved = c_.savedCandidates.at(1, k);
      if (saved.excluded || saved.IsPlaceholder()) continue;
      if (c_.TimeUp()) break;
      c_.RestoreTable();
      c_.lineMoves[0] = saved;
      c_.sideToMove = c_.engineSide;
      c_.attackingSide = c_.sideToMove;
      c_.PlayCandidate(1);
      c_.sideToMove = kOpponent[c_.engineSide];
      c_.attackingSide = c_.sideToMove;
      c_.BuildCandidates(1);
      c_.searchDepth = kRefutationDepth;
      if (c_.candidates.at(1, k).oppThreat < kThreatFive) {
        bool refuted = SearchCombined(c_, c_.board, reply_, replyIndex_, true);
        saved.excluded = refuted;
        if (!refuted) {
          c_.searchDepth = kDefencePerReplyDepth;
          refuted = SearchPerReply(c_, c_.board, reply_, replyIndex_, true);
          saved.excluded = refuted;
        }
        if (!refuted) {
          c_.TakeBack(1);
          c_.bestDefence = saved;
          break;
        }
      }
      c_.TakeBack(1);
      if (!saved.excluded) ScoreUncheckedDefence(saved, bestSeen);
    }
    return c_.bestDefence;
  }

  // A candidate whose searches were skipped competes by its scores; one far
  // below the best seen so far ends the pass.
  void ScoreUncheckedDefence(CandidateRecord& saved, int32_t& bestSeen) {
    if (10 * int64_t{saved.value} > int64_t{bestSeen}) {
      if (saved.value > bestSeen) bestSeen = saved.value;
      saved.value = ClampScore(int64_t{saved.ownScore} + saved.oppScore);
      const CandidateRecord& best = c_.bestDefence;
      if (saved.value > best.value || (saved.value == best.value && saved.ownScore > best.ownScore))
        c_.bestDefence = saved;
    } else {
      c_.time.SetTimeUp();
    }
  }

  void RecordLine() {
    trace_.line.clear();
    const int count = foundByCombined_ ? line_.count : 1;
    for (int i = 0; i < count && i < line_.count; ++i)
      trace_.line.push_back({line_.x[i], line_.y[i]});
  }

  EngineContext& c_;
  DecisionTrace& trace_;
  CandidateRecord chosen_{};
  CandidateRecord reply_{};
  int chosenIndex_ = 0;
  int replyIndex_ = 0;
  bool found_ = false;
  bool foundByCombined_ = false;
  ThreatLine line_{};
};

}  // namespace

CandidateRecord SelectMove(EngineContext& context, DecisionTrace& trace) {
  return MoveSelection(context, trace).Run();
}

}  // namespace pentad
