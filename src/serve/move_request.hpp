// What the browser board sends to `POST /api/move`, checked and turned into
// a position the engine can decide on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/position_files.hpp"
#include "engine/strong_decision.hpp"

namespace pentad::serve {

inline constexpr size_t kMaxRequestBytes = 64 * 1024;
// A decision holds a worker for its whole move time.
inline constexpr int64_t kMaxMoveTimeMs = 60'000;

struct MoveRequest {
  Position position;
  EngineKind engine = EngineKind::kClassic;
  std::optional<int64_t> moveTimeMs;  // default: a turn's 4.5 s
  std::optional<uint32_t> seed;       // classic only
  std::optional<int64_t> checks;      // classic only
  std::optional<int64_t> nodes;       // strong only
};

// Exactly one of `request` and `error` is set.
struct ParsedMoveRequest {
  std::optional<MoveRequest> request;
  std::string error;
};

// Reads {"board": [20 strings of 20 "-"/"x"/"o"], "side": "x"|"o",
// "engine": optional "classic"|"strong", "moveTimeMs": optional,
// "seed", "checks": optional for classic, "nodes": optional for strong}.
// String index is y, character index x.
ParsedMoveRequest ParseMoveRequest(std::string_view body);

}  // namespace pentad::serve
