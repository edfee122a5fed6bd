#include "match/stats.hpp"

#include <array>
#include <cmath>
#include <limits>

namespace pentad::match {
namespace {

constexpr double kZ95 = 1.959963984540054;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kUnseenOutcome = 1e-3;
constexpr std::array<double, 3> kOutcomeScores = {1.0, 0.5, 0.0};  // win, draw, loss

double ScoreVariance(const Tally& tally) {
  const double n = tally.Games();
  const double s = tally.Fraction();
  return (tally.wins * (1 - s) * (1 - s) + tally.draws * (0.5 - s) * (0.5 - s) +
          tally.losses * s * s) /
         n;
}

// The outcome distribution closest to the observed one (most likely) among
// those with expected score `mean`: p_i = q_i / (1 + theta (x_i - mean)),
// theta the root of sum q_i (x_i - mean) / (1 + theta (x_i - mean)), which
// is strictly decreasing on the interval where every p_i stays positive.
std::array<double, 3> LikeliestWithMean(const std::array<double, 3>& observed, double mean) {
  std::array<double, 3> offset;
  for (size_t i = 0; i < 3; ++i) offset[i] = kOutcomeScores[i] - mean;
  const auto slope = [&](double theta) {
    double sum = 0;
    for (size_t i = 0; i < 3; ++i) sum += observed[i] * offset[i] / (1 + theta * offset[i]);
    return sum;
  };
  double low = -1 / (1 - mean);
  double high = 1 / mean;
  for (int step = 0; step < 200; ++step) {
    const double middle = 0.5 * (low + high);
    (slope(middle) > 0 ? low : high) = middle;
  }
  const double theta = 0.5 * (low + high);
  std::array<double, 3> p;
  for (size_t i = 0; i < 3; ++i) p[i] = observed[i] / (1 + theta * offset[i]);
  return p;
}

}  // namespace

double ScoreFromElo(double elo) {
  return 1 / (1 + std::pow(10.0, -elo / 400));
}

double EloFromScore(double score) {
  if (score <= 0) return -kInfinity;
  if (score >= 1) return kInfinity;
  return -400 * std::log10(1 / score - 1);
}

EloEstimate EstimateElo(const Tally& tally) {
  EloEstimate estimate;
  if (tally.Games() == 0) return estimate;
  const double s = tally.Fraction();
  const double margin = kZ95 * std::sqrt(ScoreVariance(tally) / tally.Games());
  estimate.difference = EloFromScore(s);
  estimate.low = EloFromScore(s - margin);
  estimate.high = EloFromScore(s + margin);
  return estimate;
}

SprtStatus EvaluateSprt(const Tally& tally, const SprtHypotheses& hypotheses) {
  SprtStatus status;
  status.lower = std::log(hypotheses.beta / (1 - hypotheses.alpha));
  status.upper = std::log((1 - hypotheses.beta) / hypotheses.alpha);
  if (tally.Games() == 0) return status;
  std::array<double, 3> counts = {double(tally.wins), double(tally.draws), double(tally.losses)};
  double total = 0;
  for (double& count : counts) {
    if (count == 0) count = kUnseenOutcome;
    total += count;
  }
  std::array<double, 3> observed;
  for (size_t i = 0; i < 3; ++i) observed[i] = counts[i] / total;
  const auto p0 = LikeliestWithMean(observed, ScoreFromElo(hypotheses.elo0));
  const auto p1 = LikeliestWithMean(observed, ScoreFromElo(hypotheses.elo1));
  for (size_t i = 0; i < 3; ++i) status.llr += counts[i] * std::log(p1[i] / p0[i]);
  if (status.llr >= status.upper) status.decision = SprtDecision::kAcceptH1;
  if (status.llr <= status.lower) status.decision = SprtDecision::kAcceptH0;
  return status;
}

const char* DecisionName(SprtDecision decision) {
  switch (decision) {
    case SprtDecision::kAcceptH0:
      return "H0 accepted";
    case SprtDecision::kAcceptH1:
      return "H1 accepted";
    case SprtDecision::kContinue:
      break;
  }
  return "continue";
}

}  // namespace pentad::match
