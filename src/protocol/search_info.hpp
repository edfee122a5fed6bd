// What the brain tells an analysis GUI about a search: the lines of each
// finished depth as INFO blocks, their evaluation as a number or the moves
// to a proven end, and a win rate read from the score.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine.hpp"

namespace pentad::protocol {

// The win rate is 1 / (1 + exp(-score / kWinRateScale)): the logistic
// curve that bench/strength's fit-eval fits to self-play results from the
// evaluation, in the search's units (scale 0.00697 over 440 games at 6000
// to 32000 nodes a move).
inline constexpr double kWinRateScale = 145.0;

// Between 0 and 1 for the side to play: 1 for a proven win, 0 for a proven
// loss.
double WinRate(int score);

// "35" for a heuristic score; "+M3" for a win with the side's third move
// (its five included), "-M2" for a loss to the opponent's second.
std::string EvalText(int score);

// What one finished depth counted, for every line it reports.
struct DepthFigures {
  int depth = 0;
  int selDepth = 0;
  int64_t nodes = 0;       // of this depth
  int64_t totalNodes = 0;  // of the decision so far
  int64_t totalMs = 0;
};

// The block of line `index` (from 1) of `count`, from "INFO PV i" to
// "INFO PV DONE".
std::vector<std::string> PvBlock(const DepthFigures& figures, int index, int count,
                                 const engine::PvLine& line);

}  // namespace pentad::protocol
