#include "classic/decision/decision.hpp"

#include "classic/board/evaluate.hpp"
#include "common/file_lookup.hpp"

namespace pentad::classic {

namespace {

constexpr const char* kLearnFileName = "LEARN.ini";

}  // namespace

uint32_t TimeOfDaySeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

DecisionState EngineFor(const Position& position, uint32_t seed, const TimeBudget& time) {
  DecisionState state;
  state.board = BoardOf(position.stones);
  state.stoneCount = position.StoneCount();
  state.engineSide = SideToPlay(position);
  state.time = time;
  state.random.Seed(seed);
  return state;
}

BookSource BookFor(const std::filesystem::path& dataDir, int stoneCount, book::BookCache* cache) {
  BookSource source;
  if (auto found = FindFileIgnoringCase(dataDir, BookFileName(stoneCount))) source.file = *found;
  source.learning = FindFileIgnoringCase(dataDir, kLearnFileName).has_value();
  source.cache = cache;
  return source;
}

namespace {

TimeBudget BudgetFor(const DecisionSettings& settings) {
  TimeBudget time;
  time.Start(settings.start, settings.budget);
  if (settings.checks) time.LimitChecks(*settings.checks, settings.clockWithChecks);
  time.WatchStopSignal(settings.stop);
  return time;
}

struct Choice {
  CandidateRecord move{};
  int depth = kDepthBeforeSearch;
};

Choice Decided(DecisionTrace& trace, const char* stage, const CandidateRecord& move,
               int depth = kDepthBeforeSearch) {
  trace.stage = stage;
  return {move, depth};
}

void RecordLine(const ThreatLine& line, DecisionTrace& trace) {
  trace.line.clear();
  for (int i = 0; i < line.count; ++i) trace.line.push_back({line.x[i], line.y[i]});
}

// One decision, step by step. Each step reads and changes only what its
// arguments name; the state carries the evaluated board, the candidate list,
// the clock and the generator from one step to the next.
Choice SelectMove(DecisionState& state, const DecisionSettings& settings, DecisionTrace& trace) {
  EvaluateBoard(state.board, state.engineSide, state.stoneCount, state.random);
  BuildCandidates(state.candidates, state.board, state.random);
  trace.candidates.assign(state.candidates.slots.begin(), state.candidates.slots.end());

  if (state.stoneCount <= kLastBookStoneCount) {
    BookOutcome book = ConsultBook(
        state.board, state.candidates, state.stoneCount, state.engineSide,
        BookFor(settings.dataDir, state.stoneCount, settings.books), state.random, state.time);
    trace.book = std::move(book.answers);
    if (book.sureWin) return Decided(trace, "book", state.candidates.at(1));
  }

  if (IsImmediatePlay(state.candidates.at(1)))
    return Decided(trace, "immediate", state.candidates.at(1));

  const ThreatSearchOutcome search = DeepenThreatSearches(state, settings.onDepth);
  if (search.found) {
    RecordLine(search.line, trace);
    return Decided(trace, "search", search.move, search.depth);
  }
  if (search.move.ownThreat >= kThreatFour)
    return Decided(trace, "four", search.move, search.depth);

  const DefenceOutcome defence = DefensivePass(state, search.depth);
  return Decided(trace, "defence", defence.move, defence.depth);
}

int EmptySquares(const Board& board) {
  return kBoardSize * kBoardSize - board.CountStones();
}

// The first-move rules: the centre on an empty board, a random square near
// it against two stones, the full selection otherwise.
Choice ChooseMove(DecisionState& state, const DecisionSettings& settings, DecisionTrace& trace) {
  if (state.stoneCount == 0) {
    CandidateRecord centre;
    centre.x = centre.y = 9;
    return Decided(trace, "first-move", centre);
  }
  // The rules evaluate the whole board here and again in the selection, and
  // only the second evaluation is ever read. The first one's draws still
  // come before every later draw, so they are spent without evaluating.
  state.random.Skip(EmptySquares(state.board));
  if (state.stoneCount == 2) {
    CandidateRecord move;
    do {
      move.x = 8 + static_cast<int>(state.random.Below(3));
      move.y = 8 + static_cast<int>(state.random.Below(3));
    } while (state.board.at(move.x, move.y).occupant != kEmpty);
    return Decided(trace, "first-move", move);
  }
  return SelectMove(state, settings, trace);
}

}  // namespace

Decision Decide(const Position& position, const DecisionSettings& settings) {
  Decision decision;
  decision.seed = settings.seed ? *settings.seed : TimeOfDaySeed();
  decision.checks = settings.checks;
  decision.trace.onDepth = settings.onDepth;
  DecisionState state = EngineFor(position, decision.seed, BudgetFor(settings));
  const Choice choice = ChooseMove(state, settings, decision.trace);
  decision.x = choice.move.x;
  decision.y = choice.move.y;
  decision.depth = choice.depth;
  decision.timeChecks = state.time.Checks();
  decision.elapsedMs = state.time.ElapsedMs();
  return decision;
}

Board EvaluatedBoard(const Position& position, uint32_t seed) {
  Board board = BoardOf(position.stones);
  Random random(seed);
  EvaluateBoard(board, SideToPlay(position), position.StoneCount(), random);
  return board;
}

}  // namespace pentad::classic
