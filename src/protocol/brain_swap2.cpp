// SWAP2BOARD: the brain's part in the three steps of a swap2 opening,
// judged by short searches of the strong engine.
#include <chrono>

#include "protocol/brain.hpp"

namespace pentad::protocol {
namespace {

// Each search of a swap2 step, unless the brain has a node budget of its
// own: enough to tell a clear favourite, quick on any machine.
constexpr int64_t kSwap2Nodes = 100000;
// The classic brain's strong engine needs small tables for such searches.
constexpr size_t kSwap2HashBytes = size_t{16} << 20;
// A step searches at most twice within the move's time.
constexpr int kSwap2Searches = 2;

}  // namespace

void Brain::Swap2(const Block& block) {
  if (RefusesGame()) return;
  std::vector<Point> stones;
  for (const BoardEntry& entry : block.entries) stones.push_back(entry.square);
  if (stones.size() != 0 && stones.size() != 3 && stones.size() != 5) {
    Error("SWAP2BOARD needs 0, 3 or 5 stones, got " + std::to_string(stones.size()));
    return;
  }
  const auto pick = static_cast<uint32_t>(engine::Clock::now().time_since_epoch().count());
  Swap2Answer answer;
  queue_.BeginDecision();
  try {
    answer = DecideSwap2(
        stones, [this](const Position& position) { return JudgeSwap2(position); }, pick);
  } catch (const std::exception& e) {
    queue_.EndDecision();
    Error(std::string("the engine could not decide: ") + e.what());
    return;
  }
  queue_.EndDecision();
  KeepSwap2Position(stones, answer);
  output_.Send(Swap2Text(answer));
}

// Each search takes its share of the move's time from when it starts.
engine::Result Brain::JudgeSwap2(const Position& position) {
  engine::Request request;
  request.position = position;
  request.limits.start = engine::Clock::now();
  request.limits.moveTime = MoveBudget(limits_) / kSwap2Searches;
  const bool strong = engine_->Kind() == engine::EngineKind::kStrong;
  request.limits.nodes = options_.engine.nodes ? options_.engine.nodes
                         : strong && maxNode_  ? maxNode_
                                               : std::optional<int64_t>(kSwap2Nodes);
  request.limits.stop = &queue_.StopFlag();
  return Swap2Engine().Decide(request);
}

engine::Engine& Brain::Swap2Engine() {
  if (engine_->Kind() == engine::EngineKind::kStrong) return *engine_;
  if (!swap2Engine_) {
    engine::EngineOptions options;
    options.kind = engine::EngineKind::kStrong;
    options.hashBytes = kSwap2HashBytes;
    swap2Engine_ = engine::MakeEngine(options);
  }
  return *swap2Engine_;
}

// For a TURN that may follow: the stones after the answer, the brain's
// own those of the colour it plays. Managers send the position with BOARD
// once the colours are settled.
void Brain::KeepSwap2Position(const std::vector<Point>& stones, const Swap2Answer& answer) {
  std::vector<Point> laid = stones;
  laid.insert(laid.end(), answer.stones.begin(), answer.stones.end());
  const bool black = BrainPlaysBlack(stones, answer);
  board_.Clear();
  for (size_t i = 0; i < laid.size(); ++i) {
    const bool blackStone = i % 2 == 0;
    board_.Place(laid[i], blackStone == black ? Stone::kOwn : Stone::kOpponent);
  }
}

}  // namespace pentad::protocol
