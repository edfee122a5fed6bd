// The three steps of a swap2 opening, decided by short searches: the
// first player proposes three stones (black, white, black); the second
// takes black, plays the fourth stone as white, or adds a white and a
// black stone; after two added stones the first player takes black or
// plays the sixth stone as white.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.hpp"

namespace pentad::protocol {

// What the brain answers to SWAP2BOARD: SWAP (it takes black and white,
// the opponent, moves next), or the stones it lays.
struct Swap2Answer {
  bool swap = false;
  std::vector<Point> stones;
};

// "SWAP", or the stones as "x1,y1 x2,y2 ...".
std::string Swap2Text(const Swap2Answer& answer);

// A short search of a position: the best move of the side to play, its
// score and line.
using Swap2Judge = std::function<engine::Result(const Position&)>;

// The brain takes a side when the search gives that side at least this
// win rate; closer than that, it adds two stones and lets the opponent
// choose.
inline constexpr double kTakeSideWinRate = 0.6;

// The answer to the stones laid so far: none, three or five, black first.
// `pick` chooses among the balanced openings the brain proposes.
Swap2Answer DecideSwap2(const std::vector<Point>& stones, const Swap2Judge& judge, uint32_t pick);

// Black moves first; stone i (from 0) is black for even i.
Position Swap2Position(const std::vector<Point>& stones);

// Whether the brain plays black once it has answered: after proposing
// the opening (until the opponent chooses) and after SWAP.
bool BrainPlaysBlack(const std::vector<Point>& stones, const Swap2Answer& answer);

}  // namespace pentad::protocol
