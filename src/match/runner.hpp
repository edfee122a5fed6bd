// The match: games scheduled over worker threads, results collected as
// they finish, stopped early by a cancellation or a decided SPRT.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "match/cancel.hpp"
#include "match/game.hpp"
#include "match/openings.hpp"
#include "match/stats.hpp"

namespace pentad::match {

struct MatchSettings {
  EngineSetup a;
  EngineSetup b;
  int games = 2;
  std::vector<Opening> openings;
  TimeControl time;
  int jobs = 1;
  std::optional<SprtHypotheses> sprt;
};

struct MatchProgress {
  int done = 0;
  int total = 0;
  Tally tally;  // A's
  std::chrono::milliseconds elapsed{0};
};

struct MatchOutcome {
  std::vector<GameRecord> games;  // finished ones, by number
  bool interrupted = false;
  int signal = 0;
  bool stoppedBySprt = false;
  std::chrono::milliseconds elapsed{0};
};

struct MatchHooks {
  // Called once per finished game, one call at a time, in finishing order.
  std::function<void(const GameRecord&)> onGame;
  // Called at least once a second and after every game.
  std::function<void(const MatchProgress&)> onProgress;
  PlayerFactory makePlayer = MakePlayer;
};

GameSetup SetupOf(const MatchSettings& settings, int index);

MatchOutcome RunMatch(const MatchSettings& settings, const Cancellation& cancel,
                      const MatchHooks& hooks);

Tally TallyOf(const std::vector<GameRecord>& games);

}  // namespace pentad::match
