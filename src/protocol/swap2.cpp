#include "protocol/swap2.hpp"

#include <array>

#include "protocol/command_parsing.hpp"
#include "protocol/search_info.hpp"

namespace pentad::protocol {
namespace {

// Three-stone openings (black, white, black) that the strong engine rates
// within 45 of even for white to move at the node budget of a swap2 step:
// the match runner's balanced openings of three stones, searched again.
constexpr std::array<std::array<Point, 3>, 15> kBalancedOpenings{{
    {{{10, 10}, {11, 11}, {8, 8}}},
    {{{10, 10}, {11, 12}, {8, 8}}},
    {{{10, 10}, {10, 12}, {8, 8}}},
    {{{10, 10}, {11, 10}, {8, 9}}},
    {{{10, 10}, {9, 12}, {8, 8}}},
    {{{10, 10}, {10, 11}, {8, 8}}},
    {{{10, 10}, {11, 9}, {8, 9}}},
    {{{10, 10}, {11, 9}, {8, 10}}},
    {{{10, 10}, {8, 11}, {8, 8}}},
    {{{10, 10}, {11, 10}, {8, 10}}},
    {{{10, 10}, {9, 11}, {8, 8}}},
    {{{10, 10}, {12, 10}, {8, 9}}},
    {{{10, 10}, {8, 8}, {8, 9}}},
    {{{10, 10}, {8, 9}, {8, 8}}},
    {{{10, 10}, {9, 9}, {8, 8}}},
}};

// With no clear favourite the brain adds the two stones of the search's
// line, so that the opponent must choose in a position rated even.
Swap2Answer AfterThree(const std::vector<Point>& stones, const Swap2Judge& judge) {
  const engine::Result white = judge(Swap2Position(stones));
  if (!white.score || !OnBoard(white.move)) return {true, {}};
  const double whiteRate = WinRate(*white.score);
  if (whiteRate >= kTakeSideWinRate) return {false, {white.move}};
  if (1.0 - whiteRate >= kTakeSideWinRate) return {true, {}};
  std::vector<Point> laid = stones;
  laid.push_back(white.move);
  Point black = white.pv.size() >= 2 ? white.pv[1] : kNoPoint;
  if (!OnBoard(black)) black = judge(Swap2Position(laid)).move;
  if (!OnBoard(black)) return {false, {white.move}};
  return {false, {white.move, black}};
}

// The brain takes the better side: white by playing its move, or black.
Swap2Answer AfterFive(const std::vector<Point>& stones, const Swap2Judge& judge) {
  const engine::Result white = judge(Swap2Position(stones));
  if (!OnBoard(white.move) || WinRate(white.score.value_or(0)) < 0.5) return {true, {}};
  return {false, {white.move}};
}

}  // namespace

std::string Swap2Text(const Swap2Answer& answer) {
  if (answer.swap) return "SWAP";
  std::string text;
  for (const Point stone : answer.stones) text += (text.empty() ? "" : " ") + SquareText(stone);
  return text;
}

Swap2Answer DecideSwap2(const std::vector<Point>& stones, const Swap2Judge& judge, uint32_t pick) {
  if (stones.empty()) {
    const auto& opening = kBalancedOpenings[pick % kBalancedOpenings.size()];
    return {false, {opening.begin(), opening.end()}};
  }
  return stones.size() == 3 ? AfterThree(stones, judge) : AfterFive(stones, judge);
}

Position Swap2Position(const std::vector<Point>& stones) {
  Position position;
  for (size_t i = 0; i < stones.size(); ++i) {
    position.stones.Place(stones[i], i % 2 == 0 ? kPlayerX : kPlayerO);
  }
  position.sideRead = stones.size() % 2 == 0 ? kPlayerX : kPlayerO;
  return position;
}

bool BrainPlaysBlack(const std::vector<Point>& stones, const Swap2Answer& answer) {
  return answer.swap || stones.empty();
}

}  // namespace pentad::protocol
