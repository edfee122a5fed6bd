#include "match/summary.hpp"

#include <cstdio>

namespace pentad::match {
namespace {

void CountLoss(const GameResult& game, MatchSummary& summary) {
  if (!game.winner) return;
  const bool aLost = (*game.winner == Side::kO) == game.aPlaysX;
  RuleLosses& losses = aLost ? summary.lossesA : summary.lossesB;
  if (game.loss == LossKind::kTime) ++losses.time;
  if (game.loss == LossKind::kIllegal) ++losses.illegal;
  if (game.loss == LossKind::kCrash) ++losses.crash;
}

// The digest of a set of openings: FNV-1a over their moves.
std::string DigestOf(const std::vector<Opening>& openings) {
  uint64_t hash = 14695981039346656037ull;
  const auto mix = [&](int value) {
    hash ^= static_cast<uint8_t>(value);
    hash *= 1099511628211ull;
  };
  for (const Opening& opening : openings) {
    for (const Point p : opening) {
      mix(p.x);
      mix(p.y);
    }
    mix(255);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace

MatchInfo InfoOf(const MatchSettings& settings) {
  MatchInfo info;
  info.a = settings.a;
  info.b = settings.b;
  info.games = settings.games;
  info.time = settings.time;
  info.openingsSource = settings.openings.empty() ? "" : settings.openingsSource;
  info.openingsCount = static_cast<int>(settings.openings.size());
  info.openingsDigest = DigestOf(settings.openings);
  info.sprt = settings.sprt;
  info.shard = settings.shard;
  return info;
}

double GameResult::ScoreOfA() const {
  if (!winner) return 0.5;
  return (*winner == Side::kX) == aPlaysX ? 1.0 : 0.0;
}

GameResult ResultOf(const GameRecord& record) {
  return {record.number, record.aPlaysX, record.Winner(), record.loss, record.times};
}

MatchSummary Summarize(const MatchInfo& info, const std::vector<GameResult>& games,
                       const RunFacts& facts) {
  MatchSummary summary;
  summary.planned = facts.planned;
  summary.played = static_cast<int>(games.size());
  summary.interrupted = facts.interrupted;
  summary.stoppedBySprt = facts.stoppedBySprt;
  summary.elapsed = facts.elapsed;
  PairCounter pairs;
  for (const GameResult& game : games) {
    const double score = game.ScoreOfA();
    ++(score == 1.0   ? summary.tally.wins
       : score == 0.0 ? summary.tally.losses
                      : summary.tally.draws);
    pairs.Add(game.number, score);
    CountLoss(game, summary);
    summary.timesA.Add(game.times[game.aPlaysX ? 0 : 1]);
    summary.timesB.Add(game.times[game.aPlaysX ? 1 : 0]);
  }
  summary.pairs = pairs.Pairs();
  summary.unpaired = summary.played - 2 * summary.pairs.Pairs();
  summary.elo = EstimateElo(summary.tally);
  summary.pairElo = EstimateElo(summary.pairs);
  if (info.sprt) {
    summary.sprt = EvaluateSprt(summary.pairs, *info.sprt);
    summary.sprtPerGame = EvaluateSprt(summary.tally, *info.sprt);
  }
  return summary;
}

MatchSummary Summarize(const MatchSettings& settings, const MatchOutcome& outcome) {
  std::vector<GameResult> games;
  for (const GameRecord& record : outcome.games) games.push_back(ResultOf(record));
  const RunFacts facts{static_cast<int>(GamesOfShard(settings).size()), outcome.interrupted,
                       outcome.stoppedBySprt, outcome.elapsed};
  return Summarize(InfoOf(settings), games, facts);
}

}  // namespace pentad::match
