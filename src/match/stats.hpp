// Match statistics from one engine's side: score, Elo difference with its
// 95% interval, and a sequential probability ratio test on the Elo.
#pragma once

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

// The logistic Elo model: the expected score of a player `elo` points
// stronger, and back. EloFromScore gives +-infinity at 1 and 0.
double ScoreFromElo(double elo);
double EloFromScore(double score);

struct EloEstimate {
  double difference = 0;
  double low = 0;   // 95% interval; infinite where the score's interval
  double high = 0;  // reaches 0 or 1
};

// The interval comes from the variance of the per-game score, normal
// approximation, z = 1.96.
EloEstimate EstimateElo(const Tally& tally);

struct SprtHypotheses {
  double elo0 = 0;
  double elo1 = 0;
  double alpha = 0.05;
  double beta = 0.05;
};

enum class SprtDecision { kContinue, kAcceptH0, kAcceptH1 };

struct SprtStatus {
  double llr = 0;
  double lower = 0;  // log(beta / (1 - alpha))
  double upper = 0;  // log((1 - beta) / alpha)
  SprtDecision decision = SprtDecision::kContinue;
};

// Generalised SPRT on win/draw/loss counts: the log-likelihood ratio of the
// most likely outcome distributions whose expected score is that of elo1
// and of elo0. An outcome never seen counts as 0.001 games, so the ratio
// stays finite when every game ended alike.
SprtStatus EvaluateSprt(const Tally& tally, const SprtHypotheses& hypotheses);

const char* DecisionName(SprtDecision decision);

}  // namespace pentad::match
