// libFuzzer target: arbitrary bytes as the body of `POST /api/analysis`.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "serve/analysis_request.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const pentad::serve::ParsedAnalysisRequest parsed = pentad::serve::ParseAnalysisRequest(body);
  if (parsed.request.has_value() == !parsed.error.empty()) __builtin_trap();
  if (parsed.request) {
    const pentad::serve::AnalysisRequest& request = *parsed.request;
    const uint8_t side = request.position.sideRead;
    if (side != pentad::kPlayerX && side != pentad::kPlayerO) __builtin_trap();
    if (request.multiPv < 1 || request.multiPv > pentad::serve::kMaxAnalysisLines) __builtin_trap();
    if (request.position.StoneCount() >= pentad::kBoardSize * pentad::kBoardSize) __builtin_trap();
  }
  // The server sends the error as a JSON string: the strict dump throws on
  // anything but valid UTF-8, and an exception out of here is a finding.
  (void)nlohmann::json(parsed.error).dump();
  return 0;
}
