// What the browser board sends to `POST /api/move`, checked and turned into
// a position the engine can decide on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/position.hpp"
#include "engine/engines.hpp"
#include "serve/request_json.hpp"

namespace pentad::serve {

// A decision holds a worker for its whole move time.
inline constexpr int64_t kMaxMoveTimeMs = 60'000;
// Budgets that no move time could use up; the move's time ends a decision
// before either anyway.
inline constexpr int64_t kMaxNodes = 100'000'000;
inline constexpr int64_t kMaxChecks = 10'000'000;

struct MoveRequest {
  Position position;
  // The engine (strong unless named) and its options: "moveTimeMs" for
  // either, "seed" and "checks" for the classic one, "nodes" for the strong.
  engine::EngineOptions options;
};

// Exactly one of `request` and `error` is set.
struct ParsedMoveRequest {
  std::optional<MoveRequest> request;
  std::string error;
};

// Reads {"board": [20 strings of 20 "-"/"x"/"o"], "side": "x"|"o",
// "engine": optional "strong" (the default) | "classic", "moveTimeMs": optional,
// "seed", "checks": optional for classic, "nodes": optional for strong}.
// String index is y, character index x.
ParsedMoveRequest ParseMoveRequest(std::string_view body);

}  // namespace pentad::serve
