// Move selection for every position the first-move rules do not settle.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "select/candidates.hpp"
#include "select/engine_context.hpp"

namespace pentad {

struct BookAnswer {
  int x;
  int y;
  uint32_t wins;
  uint32_t losses;
};

// Why the decision went the way it did, for the analysis front ends.
struct DecisionTrace {
  std::string stage;
  std::vector<std::array<int, 2>> line;
  std::vector<CandidateRecord> candidates;  // level 1 right after the first build
  std::vector<BookAnswer> book;
  // Called after every completed pass of the deepening loop.
  std::function<void(int depth, int64_t checks, int64_t elapsedMs)> onDepth;
};

CandidateRecord SelectMove(EngineContext& context, DecisionTrace& trace);

}  // namespace pentad
