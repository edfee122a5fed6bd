// Finished games read from SGF text (FF[4], GM[4], SZ[20]): the moves of
// the main line and the result. Black moves first and plays "x".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pentad::classic::book {

enum class GameResult { kBlackWins, kWhiteWins, kDraw, kUnknown };

struct GameMove {
  int x = 0;
  int y = 0;
};

struct RecordedGame {
  std::vector<GameMove> moves;  // black first, then alternating
  GameResult result = GameResult::kUnknown;
};

struct GameReading {
  RecordedGame game;
  std::string error;  // empty when the game is usable
};

struct SgfReading {
  std::string error;  // a syntax error spoils the whole text
  std::vector<GameReading> games;
};

// Every game tree of the collection, following the first variation.
SgfReading ReadSgfGames(std::string_view text);

GameResult ResultOf(std::string_view value);

}  // namespace pentad::classic::book
