// libFuzzer target: arbitrary bytes as what a client sends the board server.
// The first line stands for a header value (checked both as the Content-Type
// and as the Host), the rest for the body of `POST /api/move`.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "serve/move_request.hpp"
#include "serve/request_guard.hpp"

namespace {

bool Plausible(const pentad::serve::MoveRequest& request) {
  const pentad::Position& position = request.position;
  const bool sideKnown =
      position.sideRead == pentad::kPlayerX || position.sideRead == pentad::kPlayerO;
  return sideKnown && position.StoneCount() < pentad::kBoardSize * pentad::kBoardSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string_view header = newline == std::string_view::npos ? "" : input.substr(0, newline);
  const std::string_view body =
      newline == std::string_view::npos ? input : input.substr(newline + 1);

  pentad::serve::IsJsonContentType(header);
  pentad::serve::NamesThisServer(header, "127.0.0.1", 8020);
  pentad::serve::NamesThisServer(header, "::1", 80);

  const pentad::serve::ParsedMoveRequest parsed = pentad::serve::ParseMoveRequest(body);
  if (parsed.request.has_value() == !parsed.error.empty()) __builtin_trap();
  if (parsed.request && !Plausible(*parsed.request)) __builtin_trap();
  // The server sends the error as a JSON string: the strict dump throws on
  // anything but valid UTF-8, and an exception out of here is a finding.
  (void)nlohmann::json(parsed.error).dump();
  return 0;
}
