// The end of a match in figures: A's wins, draws and losses, the pairs of
// games per opening, Elo differences, losses by rule and move times per
// engine, the SPRT's standing. summary_text.hpp says them in words,
// summary_json.hpp as JSON, shard_merge.hpp reads shards' JSON back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "match/runner.hpp"
#include "match/stats.hpp"

namespace pentad::match {

// What makes two runs parts of one match: the engines, the games of the
// whole match, the time control, the openings and the SPRT.
struct MatchInfo {
  EngineSetup a;
  EngineSetup b;
  int games = 0;
  TimeControl time;
  std::string openingsSource;  // "built-in", a file name, or empty for none
  int openingsCount = 0;
  std::string openingsDigest;  // of the moves, so that equal sets match by content
  std::optional<SprtHypotheses> sprt;
  Shard shard;
  std::vector<int> mergedShards;  // a merge's shard indices, ascending; else empty
};

MatchInfo InfoOf(const MatchSettings& settings);

// What the statistics need of one game.
struct GameResult {
  int number = 1;
  bool aPlaysX = true;
  std::optional<Side> winner;
  LossKind loss = LossKind::kNone;
  std::array<MoveTimes, 2> times;  // by side

  double ScoreOfA() const;
};

GameResult ResultOf(const GameRecord& record);

struct RuleLosses {
  int time = 0;
  int illegal = 0;  // off the board, onto a stone, unparsable, missing or no regular file
  int crash = 0;    // crashed, exited, ended with a non-zero status, never started
};

struct MatchSummary {
  int planned = 0;  // games of this run: the shard's, or the merged shards'
  int played = 0;
  bool interrupted = false;
  bool stoppedBySprt = false;
  Tally tally;
  EloEstimate elo;  // per game
  PairTally pairs;
  int unpaired = 0;  // played games whose partner was not
  EloEstimate pairElo;
  RuleLosses lossesA;
  RuleLosses lossesB;
  MoveTimes timesA;
  MoveTimes timesB;
  std::optional<SprtStatus> sprt;         // on the pairs
  std::optional<SprtStatus> sprtPerGame;  // on the win/draw/loss counts
  std::chrono::milliseconds elapsed{0};
};

struct RunFacts {
  int planned = 0;
  bool interrupted = false;
  bool stoppedBySprt = false;
  std::chrono::milliseconds elapsed{0};
};

MatchSummary Summarize(const MatchInfo& info, const std::vector<GameResult>& games,
                       const RunFacts& facts);
MatchSummary Summarize(const MatchSettings& settings, const MatchOutcome& outcome);

}  // namespace pentad::match
