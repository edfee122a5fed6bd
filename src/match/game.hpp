// One game between two engines, judged move by move.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "match/engine_setup.hpp"
#include "match/openings.hpp"
#include "match/player.hpp"
#include "match/rules.hpp"

namespace pentad::match {

enum class Outcome { kXWins, kOWins, kDraw, kCancelled };

// One engine's answers in a game or a match: how many, how long in all and
// at most, and how many took longer than the time they were given.
struct MoveTimes {
  int moves = 0;
  Milliseconds total{0};
  Milliseconds longest{0};
  int overLimit = 0;

  void Add(Milliseconds elapsed, Milliseconds limit);
  void Add(const MoveTimes& other);
  double MeanMs() const;  // 0 before the first answer
};

struct GameSetup {
  int number = 1;  // 1-based, as records show it
  const EngineSetup* x = nullptr;
  const EngineSetup* o = nullptr;
  bool aPlaysX = true;
  int openingIndex = -1;  // -1: the empty board
  Opening opening;
  TimeControl time;
};

struct GameRecord {
  int number = 1;
  bool aPlaysX = true;
  int openingIndex = -1;
  size_t openingLength = 0;
  std::array<std::string, 2> names;                    // by side
  std::vector<Point> moves;                            // the opening's first
  std::vector<std::vector<std::string>> notes;         // per move, what its engine wrote besides it
  std::vector<std::optional<Milliseconds>> moveTimes;  // per move; none for the opening's
  std::array<std::vector<std::string>, 2> startNotes;  // by side, from getting ready
  std::vector<std::string> finalNotes;                 // from the move that lost
  Outcome outcome = Outcome::kCancelled;
  LossKind loss = LossKind::kNone;
  std::string reason;  // "five in a row", "full board", or what the loser did
  std::array<Milliseconds, 2> timeUsed{};
  std::array<MoveTimes, 2> times;  // by side; the answer that lost included

  std::optional<Side> Winner() const;
  std::optional<Side> Loser() const;
  // 1, 0.5 or 0 for engine A.
  double ScoreOfA() const;
};

using PlayerFactory = std::function<std::unique_ptr<Player>(const EngineSetup&)>;

GameRecord PlayGame(const GameSetup& setup, const Cancellation& cancel,
                    const PlayerFactory& makePlayer = MakePlayer);

const char* LossKindName(LossKind loss);

}  // namespace pentad::match
