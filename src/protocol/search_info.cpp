#include "protocol/search_info.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "protocol/command_parsing.hpp"

namespace pentad::protocol {

double WinRate(int score) {
  if (const auto plies = engine::ProvenPlies(score)) return *plies > 0 ? 1.0 : 0.0;
  return 1.0 / (1.0 + std::exp(-score / kWinRateScale));
}

// A GUI shows the moves a player still makes, not plies: a five now is the
// first move, a loss when the opponent's next stone makes five the first.
std::string EvalText(int score) {
  const auto plies = engine::ProvenPlies(score);
  if (!plies) return std::to_string(score);
  const int moves = (std::abs(*plies) + 1) / 2;
  return (*plies > 0 ? "+M" : "-M") + std::to_string(moves);
}

namespace {

std::string WinRateText(int score) {
  char text[16];
  std::snprintf(text, sizeof text, "%.4f", WinRate(score));
  return text;
}

std::string LineText(const std::vector<Point>& pv) {
  std::string text;
  for (const Point square : pv) text += (text.empty() ? "" : " ") + SquareText(square);
  return text;
}

}  // namespace

std::vector<std::string> PvBlock(const DepthFigures& figures, int index, int count,
                                 const engine::PvLine& line) {
  const int64_t speed = figures.totalNodes * 1000 / std::max<int64_t>(figures.totalMs, 1);
  return {
      "INFO PV " + std::to_string(index),
      "INFO NUMPV " + std::to_string(count),
      "INFO DEPTH " + std::to_string(figures.depth),
      "INFO SELDEPTH " + std::to_string(figures.selDepth),
      "INFO NODES " + std::to_string(figures.nodes),
      "INFO TOTALNODES " + std::to_string(figures.totalNodes),
      "INFO TOTALTIME " + std::to_string(figures.totalMs),
      "INFO SPEED " + std::to_string(speed),
      "INFO EVAL " + EvalText(line.score),
      "INFO WINRATE " + WinRateText(line.score),
      "INFO BESTLINE " + LineText(line.pv),
      "INFO PV DONE",
  };
}

}  // namespace pentad::protocol
