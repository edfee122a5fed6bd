#include "driver/engine.hpp"

#include <memory>

#include "board/evaluate.hpp"

namespace pentad {

uint8_t EngineSideFor(const Position& position) {
  if (position.sideRead == kPlayerX || position.sideRead == kPlayerO) return position.sideRead;
  int x = 0, o = 0;
  for (const auto& column : position.board.cells)
    for (const Cell& cell : column) {
      x += cell.occupant == kPlayerX;
      o += cell.occupant == kPlayerO;
    }
  return x <= o ? kPlayerX : kPlayerO;
}

uint32_t TimeOfDaySeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

namespace {

std::unique_ptr<EngineContext> MakeContext(const Position& position,
                                           const DecisionSettings& settings, uint32_t seed) {
  auto context = std::make_unique<EngineContext>();
  context->time.Start(settings.start, settings.budget);
  if (settings.checks) context->time.LimitChecks(*settings.checks);
  context->time.WatchStopSignal(settings.stop);
  context->random.Seed(seed);
  context->board = position.board;
  context->stoneCount = position.stoneCount;
  context->sideRead = position.sideRead;
  context->engineSide = EngineSideFor(position);
  context->sideToMove = context->engineSide;
  context->directory = settings.dataDir;
  context->books = settings.books;
  context->learnFileAbsent = !LearnFilePresent(settings.dataDir);
  return context;
}

// The first-move rules: the centre on an empty board, a random square near
// it against two stones, the full selection otherwise.
CandidateRecord ChooseMove(EngineContext& context, uint32_t seed, DecisionTrace& trace) {
  context.random.Seed(seed);
  CandidateRecord move;
  if (context.stoneCount == 0) {
    move.x = move.y = 9;
    trace.stage = "first-move";
    return move;
  }
  context.EvaluateAll();
  if (context.stoneCount == 2) {
    do {
      move.x = 8 + static_cast<int>(context.random.Below(3));
      move.y = 8 + static_cast<int>(context.random.Below(3));
    } while (context.board.at(move.x, move.y).occupant != kEmpty);
    trace.stage = "first-move";
    return move;
  }
  return SelectMove(context, trace);
}

}  // namespace

Decision Decide(const Position& position, const DecisionSettings& settings) {
  Decision decision;
  decision.seed = settings.seed ? *settings.seed : TimeOfDaySeed();
  decision.checks = settings.checks;
  auto context = MakeContext(position, settings, decision.seed);
  decision.trace.onDepth = settings.onDepth;
  const CandidateRecord move = ChooseMove(*context, decision.seed, decision.trace);
  decision.x = move.x;
  decision.y = move.y;
  decision.depth = context->searchDepth;
  decision.timeChecks = context->time.Checks();
  decision.elapsedMs = context->time.ElapsedMs();
  return decision;
}

Board EvaluatedBoard(const Position& position, uint32_t seed) {
  Board board = position.board;
  Random random(seed);
  EvaluateBoard(board, EngineSideFor(position), position.stoneCount, random);
  return board;
}

}  // namespace pentad
