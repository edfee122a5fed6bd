// What the browser board sends to `POST /api/move`, checked and turned into
// a position the engine can decide on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "driver/position_files.hpp"

namespace pentad::serve {

inline constexpr size_t kMaxRequestBytes = 64 * 1024;

struct MoveRequest {
  Position position;
  std::optional<uint32_t> seed;
  std::optional<int64_t> checks;
};

// Exactly one of `request` and `error` is set.
struct ParsedMoveRequest {
  std::optional<MoveRequest> request;
  std::string error;
};

// Reads {"board": [20 strings of 20 "-"/"x"/"o"], "side": "x"|"o",
// "seed": optional, "checks": optional}. String index is y, character index x.
ParsedMoveRequest ParseMoveRequest(std::string_view body);

}  // namespace pentad::serve
