#include "match/stats.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace pentad::match {
namespace {

TEST(MatchStats, EloOfKnownScores) {
  struct Case {
    double score;
    double elo;
  };
  for (const Case c : {Case{0.75, 190.8485}, Case{0.5, 0.0}, Case{0.25, -190.8485},
                       Case{0.64, 100.0}, Case{0.9, 381.7}}) {
    SCOPED_TRACE(c.score);
    EXPECT_NEAR(EloFromScore(c.score), c.elo, 0.3);
    EXPECT_NEAR(ScoreFromElo(EloFromScore(c.score)), c.score, 1e-12);
  }
  EXPECT_EQ(EloFromScore(1.0), INFINITY);
  EXPECT_EQ(EloFromScore(0.0), -INFINITY);
}

TEST(MatchStats, EloIntervalFromWinsDrawsLosses) {
  // 60-20-20: score 0.7, per-game standard deviation 0.4 over 100 games.
  const EloEstimate e = EstimateElo({60, 20, 20});
  EXPECT_NEAR(e.difference, 147.19, 0.01);
  EXPECT_NEAR(e.low, 86.23, 0.01);
  EXPECT_NEAR(e.high, 218.25, 0.01);

  const EloEstimate even = EstimateElo({10, 0, 10});
  EXPECT_NEAR(even.difference, 0.0, 1e-9);
  EXPECT_NEAR(even.low, -even.high, 1e-9);
}

TEST(MatchStats, EloOfOneSidedResultsIsInfinite) {
  const EloEstimate allWins = EstimateElo({5, 0, 0});
  EXPECT_EQ(allWins.difference, INFINITY);
  const EloEstimate fewGames = EstimateElo({1, 0, 1});
  EXPECT_EQ(fewGames.low, -INFINITY);
  EXPECT_EQ(fewGames.high, INFINITY);
}

TEST(MatchStats, SprtLogLikelihoodRatio) {
  struct Case {
    Tally tally;
    double elo0, elo1, llr;
    SprtDecision decision;
  };
  const Case cases[] = {
      {{60, 20, 20}, 0, 10, 1.38982, SprtDecision::kContinue},
      {{52, 10, 38}, 0, 5, 0.21238, SprtDecision::kContinue},
      {{52, 10, 38}, -5, 5, 0.44772, SprtDecision::kContinue},
      {{5, 0, 0}, 0, 300, 2.64671, SprtDecision::kContinue},
      {{6, 0, 0}, 0, 300, 3.17618, SprtDecision::kAcceptH1},
      {{0, 0, 3}, 0, 300, -3.59306, SprtDecision::kAcceptH0},
      {{0, 0, 0}, 0, 10, 0.0, SprtDecision::kContinue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tally.wins << "-" << c.tally.draws << "-" << c.tally.losses
                                    << " " << c.elo0 << "," << c.elo1);
    const SprtStatus status = EvaluateSprt(c.tally, {c.elo0, c.elo1});
    EXPECT_NEAR(status.llr, c.llr, 1e-4);
    EXPECT_EQ(status.decision, c.decision);
    EXPECT_NEAR(status.lower, -2.944439, 1e-6);
    EXPECT_NEAR(status.upper, 2.944439, 1e-6);
  }
}

}  // namespace
}  // namespace pentad::match
