// Everything one decision works on. A front end builds a fresh context per
// move, so many decisions can run in one process, one after another or side
// by side on separate contexts.
#pragma once

#include <cstdint>
#include <filesystem>

#include "board/board.hpp"
#include "board/random.hpp"
#include "driver/time_budget.hpp"
#include "select/candidates.hpp"

namespace pentad {

namespace book {
class BookCache;
}

struct EngineContext {
  Board board{};
  int stoneCount = 0;
  uint8_t sideRead = 0;       // the side code as the side file gave it (0, 1, 2)
  uint8_t engineSide = 0;     // the side the engine plays
  uint8_t sideToMove = 0;     // the side evaluation and searches treat as own
  uint8_t attackingSide = 0;  // whose threats the scanner looks for
  int searchDepth = 2;
  CandidateTable candidates{};
  CandidateTable savedCandidates{};
  CandidateRecord bestDefence{};
  // Hypothetical moves: the move played and the board before it, per level.
  CandidateRecord lineMoves[kCandidateLevels]{};
  Board boardSnapshots[kCandidateLevels]{};
  TimeBudget time;
  Random random;
  bool learnFileAbsent = true;
  std::filesystem::path directory;   // where the position, book and marker files live
  book::BookCache* books = nullptr;  // books kept between decisions; null: read per decision

  bool TimeUp() { return time.TimeUp(); }

  void EvaluateAll();
  void BuildCandidates(int level);
  // Places the level's line move for the side to move and re-evaluates the
  // cells along its four lines.
  void PlayCandidate(int level);
  void TakeBack(int level) { board = boardSnapshots[level - 1]; }
  void SaveTable() { savedCandidates = candidates; }
  void RestoreTable() { candidates = savedCandidates; }
};

}  // namespace pentad
