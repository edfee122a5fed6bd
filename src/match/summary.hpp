// The end of a match in words and as JSON: A's wins, draws and losses, the
// pairs of games per opening, Elo differences, losses by rule and move
// times per engine, the SPRT's standing. A shard's JSON carries all that
// `pentad match merge` needs to give the summary of the whole match.
#pragma once

#include <nlohmann/json.hpp>
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

std::string SummaryText(const MatchInfo& info, const MatchSummary& summary);

nlohmann::ordered_json GameJson(const GameRecord& game);

// `games`: the list of GameJson objects, by number.
nlohmann::ordered_json SummaryJson(const MatchInfo& info, const MatchSummary& summary,
                                   nlohmann::ordered_json games);

// The JSON summary as printed. A command line or name that is not UTF-8
// comes out with U+FFFD instead of ending the report with an exception.
std::string JsonText(const nlohmann::ordered_json& json);

// "+190.8", "-3.3", "0.0"; for an infinite difference the bound that
// stands in for it, "> +77.6" or "< -77.6".
std::string EloText(double elo);
std::string EloText(const EloEstimate& estimate);

// Shard results (SummaryJson of runs with --shard) as one match: the same
// figures as one run of all their games. nullopt and `error`, naming the
// result, when they are not distinct shards of one match.
struct ShardResult {
  std::string name;  // for messages: the file it came from
  nlohmann::ordered_json json;
};
struct MergedMatch {
  MatchInfo info;
  std::vector<GameResult> games;  // by number
  nlohmann::ordered_json gamesJson;
  RunFacts facts;
};
std::optional<MergedMatch> MergeShards(const std::vector<ShardResult>& results, std::string* error);

}  // namespace pentad::match
