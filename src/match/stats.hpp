// Match statistics from one engine's side: score, Elo difference with its
// 95% interval, and a sequential probability ratio test on the Elo, per
// game (win/draw/loss) and per pair of games that share an opening.
#pragma once

#include <array>
#include <optional>

namespace pentad::match {

struct Tally {
  int wins = 0;
  int draws = 0;
  int losses = 0;

  int Games() const { return wins + draws + losses; }
  double Points() const { return wins + 0.5 * draws; }
  // Points per game; 0.5 before the first game.
  double Fraction() const { return Games() == 0 ? 0.5 : Points() / Games(); }
};

// Pairs of games from one opening, each engine once with "x", counted by
// A's points in the pair: counts[i] pairs scored i / 2 (0, 0.5, 1, 1.5, 2).
// A pair with both games won by the side that had "x" scores 1: the opening
// decided it, not the engines.
struct PairTally {
  std::array<int, 5> counts{};

  int Pairs() const;
  double Points() const;  // A's, over 2 * Pairs() games
  void Add(double pairPoints);
};

// The logistic Elo model: the expected score of a player `elo` points
// stronger, and back. EloFromScore gives +-infinity at 1 and 0.
double ScoreFromElo(double elo);
double EloFromScore(double score);

struct EloEstimate {
  double difference = 0;  // +-infinity at a score of 100% or 0%
  // The 95% interval. It reaches a score of 1 (an Elo of +infinity) only
  // when every game was won, 0 only when every game was lost; its other end
  // then stays finite and is the bound summaries print.
  double low = 0;
  double high = 0;
};

// Wilson's score interval (z = 1.96) on the mean score, with the observed
// variance of one observation: a game, or a pair's mean. Unlike the plain
// normal interval it stays inside (0, 1) for any score in between, and
// stays finite on one side for a score of 0 or 1.
EloEstimate EstimateElo(const Tally& tally);
EloEstimate EstimateElo(const PairTally& pairs);

// A finite Elo that stands in for an infinite difference: the interval's
// finite end, as a lower bound at 100% and an upper bound at 0%.
struct EloBound {
  bool above = true;  // the difference is above `elo` (100%), else below (0%)
  double elo = 0;
};
std::optional<EloBound> BoundOf(const EloEstimate& estimate);

struct SprtHypotheses {
  double elo0 = 0;
  double elo1 = 0;
  double alpha = 0.05;
  double beta = 0.05;
};

// 1000 Elo is a score of 99.7%: bounds past it ask nothing of engines, and
// at a score of 0 or 1 the ratio is not a number.
inline constexpr double kMaxSprtElo = 1000;

// Finite bounds, -kMaxSprtElo <= elo0 < elo1 <= kMaxSprtElo, and error
// rates strictly between 0 and 0.5.
bool SensibleSprt(const SprtHypotheses& hypotheses);

enum class SprtDecision { kContinue, kAcceptH0, kAcceptH1 };

struct SprtStatus {
  double llr = 0;
  double lower = 0;  // log(beta / (1 - alpha))
  double upper = 0;  // log((1 - beta) / alpha)
  SprtDecision decision = SprtDecision::kContinue;
};

// Generalised SPRT: the log-likelihood ratio of the most likely outcome
// distributions whose expected score is that of elo1 and of elo0 (logistic
// Elo). On win/draw/loss counts, or on the five pair scores; pairs carry the
// correlation between the two games of an opening, which per-game counts
// miss. An outcome never seen counts as 0.001, so the ratio stays finite
// when every game or pair ended alike.
SprtStatus EvaluateSprt(const Tally& tally, const SprtHypotheses& hypotheses);
SprtStatus EvaluateSprt(const PairTally& pairs, const SprtHypotheses& hypotheses);

const char* DecisionName(SprtDecision decision);

}  // namespace pentad::match
