// libFuzzer target: arbitrary bytes as an openings file. Either an error
// that names a line, or openings that can all be played: every stone on
// the board, no square twice, no five in a row yet.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "match/openings.hpp"

namespace {

using pentad::Point;
using namespace pentad::match;

void RequirePlayable(const Opening& opening) {
  GameBoard board;
  for (size_t i = 0; i < opening.size(); ++i) {
    const Point p = opening[i];
    if (!OnBoard(p) || !board.Empty(p)) __builtin_trap();
    board.Place(p, SideOfMove(i));
    if (board.MakesFive(p)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto openings = ParseOpenings(text, &error);
  if (!openings) {
    if (error.rfind("line ", 0) != 0 && error != "no openings") __builtin_trap();
    return 0;
  }
  if (openings->empty()) __builtin_trap();
  for (const Opening& opening : *openings) RequirePlayable(opening);
  return 0;
}
