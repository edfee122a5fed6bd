// libFuzzer target: arbitrary text as a game record file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "classic/book/book_learning.hpp"
#include "classic/book/recorded_game.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const pentad::classic::book::SgfReading reading = pentad::classic::book::ReadSgfGames(text);
  for (const auto& game : reading.games) {
    if (!game.error.empty()) continue;
    for (const auto& learned : pentad::classic::book::PositionsOf(game.game))
      if (learned.position->stoneCount < 1 || learned.position->stoneCount > 9) __builtin_trap();
  }
  return 0;
}
