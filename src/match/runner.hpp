// The match: games scheduled over worker threads, results collected as
// they finish, stopped early by a cancellation or a decided SPRT.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "match/cancel.hpp"
#include "match/game.hpp"
#include "match/openings.hpp"
#include "match/stats.hpp"

namespace pentad::match {

// Shard `index` of `count` plays the pairs p with p % count == index: the
// games 2p + 1 and 2p + 2, with the openings, colours and numbers the whole
// match gives them, so that shards run apart merge into the whole match.
struct Shard {
  int index = 0;
  int count = 1;

  bool Whole() const { return count == 1; }
  bool Plays(int gameIndex) const { return gameIndex / 2 % count == index; }
};

inline constexpr int kMaxGames = 1000000;

struct MatchSettings {
  EngineSetup a;
  EngineSetup b;
  int games = 2;  // of the whole match, every shard's
  std::vector<Opening> openings;
  std::string openingsSource;  // "built-in" or the file they came from
  TimeControl time;
  int jobs = 1;
  // Stops scheduling once decided, on the pairs; not in a shard, which
  // sees only part of the evidence.
  std::optional<SprtHypotheses> sprt;
  Shard shard;
};

struct MatchProgress {
  int done = 0;
  int total = 0;
  Tally tally;  // A's
  PairTally pairs;
  std::chrono::milliseconds elapsed{0};
};

struct MatchOutcome {
  std::vector<GameRecord> games;  // finished ones, by number
  bool interrupted = false;
  int signal = 0;
  bool stoppedBySprt = false;
  std::string failure;  // the runner's own error that stopped the match, or empty
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

// The 0-based indices of the games the settings' shard plays, in order.
std::vector<int> GamesOfShard(const MatchSettings& settings);

MatchOutcome RunMatch(const MatchSettings& settings, const Cancellation& cancel,
                      const MatchHooks& hooks);

Tally TallyOf(const std::vector<GameRecord>& games);

// A's points per game (1, 0.5 or 0) by game number, counted in pairs: the
// games 2p + 1 and 2p + 2 make pair p once both are there. A game without
// its partner counts only in a Tally.
class PairCounter {
 public:
  void Add(int gameNumber, double scoreOfA);
  const PairTally& Pairs() const { return pairs_; }

 private:
  std::map<int, double> waiting_;  // by pair, the first game's score
  PairTally pairs_;
};

}  // namespace pentad::match
