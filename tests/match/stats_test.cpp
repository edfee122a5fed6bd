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

TEST(MatchStats, EloIntervalPerGameAndPerPair) {
  struct Case {
    const char* name;
    EloEstimate estimate;
    double difference, low, high;
  };
  // 60-20-20: score 0.7 over 100 games. Pairs 1-5-10-7-2: 26.5 of 50 points.
  const Case cases[] = {
      {"games", EstimateElo(Tally{60, 20, 20}), 147.19, 81.27, 210.23},
      {"pairs", EstimateElo(PairTally{{1, 5, 10, 7, 2}}), 27.85, -49.71, 100.25},
      {"even", EstimateElo(Tally{10, 0, 10}), 0.0, -147.77, 147.77},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(c.estimate.difference, c.difference, 0.01);
    EXPECT_NEAR(c.estimate.low, c.low, 0.01);
    EXPECT_NEAR(c.estimate.high, c.high, 0.01);
    EXPECT_FALSE(BoundOf(c.estimate));
  }
}

TEST(MatchStats, OneSidedResultsHaveAFiniteBound) {
  const EloEstimate allWins = EstimateElo(Tally{6, 0, 0});
  EXPECT_EQ(allWins.difference, INFINITY);
  ASSERT_TRUE(BoundOf(allWins));
  EXPECT_TRUE(BoundOf(allWins)->above);
  EXPECT_NEAR(BoundOf(allWins)->elo, 77.46, 0.01);

  const auto allLost = BoundOf(EstimateElo(PairTally{{3, 0, 0, 0, 0}}));
  ASSERT_TRUE(allLost);
  EXPECT_FALSE(allLost->above);
  EXPECT_NEAR(allLost->elo, 42.95, 0.01);

  // Any score strictly between 0 and 1 keeps both ends finite, however few
  // the games.
  for (const Tally tally : {Tally{1, 0, 1}, Tally{3, 0, 1}, Tally{0, 1, 0}}) {
    const EloEstimate e = EstimateElo(tally);
    EXPECT_TRUE(std::isfinite(e.low) && std::isfinite(e.high)) << tally.wins << "-" << tally.losses;
  }
}

TEST(MatchStats, SprtLogLikelihoodRatio) {
  struct Case {
    const char* name;
    SprtStatus status;
    double llr;
    SprtDecision decision;
  };
  const Case cases[] = {
      {"60-20-20", EvaluateSprt(Tally{60, 20, 20}, {0, 10}), 1.38982, SprtDecision::kContinue},
      {"52-10-38", EvaluateSprt(Tally{52, 10, 38}, {0, 5}), 0.21238, SprtDecision::kContinue},
      {"52-10-38 +-5", EvaluateSprt(Tally{52, 10, 38}, {-5, 5}), 0.44772, SprtDecision::kContinue},
      {"6-0-0", EvaluateSprt(Tally{6, 0, 0}, {0, 300}), 3.17618, SprtDecision::kAcceptH1},
      {"0-0-3", EvaluateSprt(Tally{0, 0, 3}, {0, 300}), -3.59306, SprtDecision::kAcceptH0},
      {"no games", EvaluateSprt(Tally{}, {0, 10}), 0.0, SprtDecision::kContinue},
      {"pairs 1-5-10-7-2", EvaluateSprt(PairTally{{1, 5, 10, 7, 2}}, {0, 10}), 0.19800,
       SprtDecision::kContinue},
      {"pairs 1-5-10-7-2 +-5", EvaluateSprt(PairTally{{1, 5, 10, 7, 2}}, {-5, 5}), 0.23968,
       SprtDecision::kContinue},
      {"pairs 0-0-0-0-5", EvaluateSprt(PairTally{{0, 0, 0, 0, 5}}, {0, 300}), 2.64776,
       SprtDecision::kContinue},
      {"pairs 0-0-0-0-6", EvaluateSprt(PairTally{{0, 0, 0, 0, 6}}, {0, 300}), 3.17724,
       SprtDecision::kAcceptH1},
      {"no pairs", EvaluateSprt(PairTally{}, {0, 10}), 0.0, SprtDecision::kContinue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(c.status.llr, c.llr, 1e-4);
    EXPECT_EQ(c.status.decision, c.decision);
    EXPECT_NEAR(c.status.lower, -2.944439, 1e-6);
    EXPECT_NEAR(c.status.upper, 2.944439, 1e-6);
  }
}

}  // namespace
}  // namespace pentad::match
