#include "classic/select/select_move.hpp"

#include "classic/board/evaluate.hpp"

namespace pentad::classic {
namespace {

constexpr int32_t kLeastPlayableValue = 1;
constexpr int32_t kForcedWinValue = 1000000;
constexpr int32_t kBlockScore = 800000;
constexpr int kLastDeepeningStep = 9;  // past it the deepening jumps to the deepest level
constexpr int kLastPerReplyDepth = 10;
constexpr int kDefensiveWidth = 16;
constexpr int kRefutationDepth = 9;
constexpr int kDefencePerReplyDepth = 8;

struct OpponentCheck {
  bool searched = false;  // false when the replies already hold a five: nothing to prove
  bool wins = false;
  int depth = kRefutationDepth;  // the depth of the last search started
};

// Plays `move` (candidate `position`) for the engine and looks for a forced
// win of the opponent by fours, first by the combined search at
// kRefutationDepth, then by the per-reply search at `perReplyDepth`. The
// opponent's candidates start from the engine's list, so that placeholders
// keep its marks.
OpponentCheck OpponentWinsAfter(DecisionState& state, const CandidateRecord& move, int position,
                                int perReplyDepth) {
  Board after = state.board;
  PlayCandidate(after, move, state.engineSide, state.stoneCount, state.random);
  CandidateList replies = state.candidates;
  BuildCandidates(replies, after, state.random);
  OpponentCheck check;
  if (replies.at(position).oppThreat >= kThreatFive) return check;
  check.searched = true;
  const uint8_t opponent = kOpponent[state.engineSide];
  const auto roots = SearchRoots(replies);
  check.wins = SearchCombined(after, opponent, kRefutationDepth, roots, true, state.time).found;
  if (!check.wins) {
    check.depth = perReplyDepth;
    check.wins = SearchPerReply(after, opponent, perReplyDepth, roots, true, state.time).found;
  }
  return check;
}

enum class Refutation {
  kRefuted,    // the candidate is excluded
  kStands,     // the line was played out and holds
  kUnplayed,   // the candidate is a placeholder: nothing to play
  kUnchecked,  // the time ran out first: the line stands unchecked
};

Refutation RefutationCheck(DecisionState& state, int position) {
  if (state.time.TimeUp()) return Refutation::kUnchecked;
  const CandidateRecord first = state.candidates.at(position);
  if (first.IsPlaceholder()) return Refutation::kUnplayed;
  const OpponentCheck check = OpponentWinsAfter(state, first, position, kLastPerReplyDepth);
  if (!check.searched) return Refutation::kStands;
  state.candidates.at(position).excluded = check.wins;
  return check.wins ? Refutation::kRefuted : Refutation::kStands;
}

// One pass of both searches at `depth`; the per-reply search only where it
// still finishes in time.
SearchResult SearchBoth(DecisionState& state, uint8_t attacker, int depth) {
  const auto roots = SearchRoots(state.candidates);
  const SearchResult combined =
      SearchCombined(state.board, attacker, depth, roots, false, state.time);
  if (combined.found || depth > kLastPerReplyDepth) return combined;
  return SearchPerReply(state.board, attacker, depth, roots, false, state.time);
}

// A candidate whose searches were skipped competes by its scores; one far
// below the best seen so far ends the pass.
void ScoreUncheckedDefence(CandidateRecord& candidate, int32_t& bestSeen, CandidateRecord& best,
                           TimeBudget& time) {
  if (10 * int64_t{candidate.value} > int64_t{bestSeen}) {
    if (candidate.value > bestSeen) bestSeen = candidate.value;
    candidate.value = ClampScore(int64_t{candidate.ownScore} + candidate.oppScore);
    if (candidate.value > best.value ||
        (candidate.value == best.value && candidate.ownScore > best.ownScore))
      best = candidate;
  } else {
    time.SetTimeUp();
  }
}

}  // namespace

void PlayCandidate(Board& board, const CandidateRecord& move, uint8_t side, int stoneCount,
                   Random& random) {
  board.at(move.x, move.y).occupant = side;
  for (const Direction& dir : kDirections) {
    for (int k = 4; k >= 1; --k) {
      for (int sign : {-1, 1}) {
        const int x = move.x + sign * k * dir.dx, y = move.y + sign * k * dir.dy;
        if (OnBoard(x, y)) EvaluateCell(board, x, y, side, stoneCount, random);
      }
    }
  }
}

bool IsImmediatePlay(const CandidateRecord& best) {
  return best.value < kLeastPlayableValue || best.oppScore >= kBlockScore ||
         best.ownScore >= kForcedWinValue;
}

ThreatSearchOutcome DeepenThreatSearches(DecisionState& state, const DepthReport& onDepth) {
  ThreatSearchOutcome outcome;
  int depth = 1;
  // A first shallow pass; only its cost counts, its answer is not used.
  SearchCombined(state.board, state.engineSide, depth, SearchRoots(state.candidates), false,
                 state.time);
  FilterForcedReplies(state.candidates);
  ResortCandidates(state.candidates);
  // Once a refutation check has played a line, the rules go on deepening
  // with the opponent as the attacker, still from the engine's candidates.
  // The decisions depend on it, so it stays.
  uint8_t attacker = state.engineSide;
  while (depth <= kMaxSearchLevel && !state.time.TimeUp() && !outcome.found) {
    if (depth > kLastDeepeningStep) depth = kMaxSearchLevel;
    const SearchResult result = SearchBoth(state, attacker, depth);
    outcome.found = result.found;
    if (result.found) {
      outcome.move = state.candidates.at(result.index);
      outcome.line = result.line;
      if (outcome.move.ownThreat < kThreatFour) {
        const Refutation refutation = RefutationCheck(state, result.index);
        if (refutation == Refutation::kUnchecked) break;
        if (refutation != Refutation::kUnplayed) attacker = kOpponent[state.engineSide];
        if (refutation == Refutation::kRefuted) outcome.found = false;
      }
    }
    ++depth;
    if (onDepth) onDepth(depth - 1, state.time.Checks(), state.time.ElapsedMs());
  }
  outcome.depth = depth;
  if (!outcome.found) {
    ResortCandidates(state.candidates);
    outcome.move = state.candidates.at(1);
  }
  return outcome;
}

DefenceOutcome DefensivePass(DecisionState& state, int depth) {
  DefenceOutcome outcome{state.candidates.at(1), depth};
  CandidateRecord& best = outcome.move;
  best.value = -200000000;
  best.ownScore = kOccupiedValue;
  best.oppScore = kOccupiedValue;
  int32_t bestSeen = 0;
  for (int k = 1; k <= kDefensiveWidth; ++k) {
    CandidateRecord& candidate = state.candidates.at(k);
    if (candidate.excluded || candidate.IsPlaceholder()) continue;
    if (state.time.TimeUp()) break;
    const OpponentCheck check = OpponentWinsAfter(state, candidate, k, kDefencePerReplyDepth);
    outcome.depth = check.depth;
    if (check.searched) {
      candidate.excluded = check.wins;
      if (!check.wins) {
        best = candidate;
        break;
      }
    }
    if (!candidate.excluded) ScoreUncheckedDefence(candidate, bestSeen, best, state.time);
  }
  return outcome;
}

}  // namespace pentad::classic
