// libFuzzer target: arbitrary bytes as the position and side files. The
// bounded reading must see exactly what parsing the whole text sees, however
// the text arrives in pieces, and never keep more than 20 short lines.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/position_files.hpp"

namespace {

using pentad::kBoardSize;
using pentad::Position;

bool SameBoard(const Position& a, const Position& b) {
  return a.stones == b.stones;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Position whole;
  pentad::ParsePositionText(text, whole);

  // The file is read in chunks; any chunk size must give the same prefix.
  const size_t chunk = size == 0 ? 1 : 1 + data[0] % 97;
  pentad::PositionTextPrefix prefix;
  for (size_t at = 0; at < size && prefix.Feed(text.substr(at, chunk)); at += chunk) {
  }
  if (prefix.Text().size() > static_cast<size_t>(kBoardSize * (kBoardSize + 2))) __builtin_trap();
  Position bounded;
  pentad::ParsePositionText(prefix.Text(), bounded);
  if (!SameBoard(whole, bounded)) __builtin_trap();

  // What a turn writes back as a position reads as the same board.
  Position again;
  pentad::ParsePositionText(pentad::PositionText(whole.stones), again);
  if (!SameBoard(whole, again)) __builtin_trap();

  if (pentad::SideCodeOf(text) > pentad::kPlayerO) __builtin_trap();
  return 0;
}
