// What every JSON request of the board server has in common: a body that
// is UTF-8 within 64 KiB and parses, and a position with the side to play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "common/position.hpp"

namespace pentad::serve {

inline constexpr size_t kMaxRequestBytes = 64 * 1024;

// Thrown by the readers of a request's fields; its message is the 400
// answer's.
struct BadRequest {
  std::string message;
};

// Hands the parsed body to `read`, which throws BadRequest for what it
// refuses. Returns what is wrong with the body, or nothing.
std::optional<std::string> ReadJsonBody(std::string_view body,
                                        const std::function<void(const nlohmann::json&)>& read);

// {"board": [20 strings of 20 "-"/"x"/"o"], "side": "x"|"o"} of an object
// body: string index is y, character index x. A full board is refused:
// there is nothing to decide on.
Position CheckedPosition(const nlohmann::json& body);

// An absent or null field is nothing; anything but an integer in
// low..high is refused.
std::optional<int64_t> OptionalInteger(const nlohmann::json& body, const char* name, int64_t low,
                                       int64_t high);

}  // namespace pentad::serve
