// What the browser board sends to `POST /api/analysis`: the position to
// think about until told to stop, and how many of its best moves to follow.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/position.hpp"

namespace pentad::serve {

// More lines cost the search about as much again each; five fit on the
// board and in the panel.
inline constexpr int kMaxAnalysisLines = 5;

struct AnalysisRequest {
  Position position;  // the side read is the side to play
  int multiPv = 1;
};

// Exactly one of `request` and `error` is set.
struct ParsedAnalysisRequest {
  std::optional<AnalysisRequest> request;
  std::string error;
};

// Reads {"board": [20 strings of 20 "-"/"x"/"o"], "side": "x"|"o",
// "multiPv": optional 1..5, "engine": optional, "strong" only}.
ParsedAnalysisRequest ParseAnalysisRequest(std::string_view body);

}  // namespace pentad::serve
