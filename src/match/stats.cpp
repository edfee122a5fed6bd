#include "match/stats.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace pentad::match {
namespace {

constexpr double kZ95 = 1.959963984540054;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kUnseenOutcome = 1e-3;
constexpr std::array<double, 3> kGameScores = {1.0, 0.5, 0.0};              // win, draw, loss
constexpr std::array<double, 5> kPairScores = {0.0, 0.25, 0.5, 0.75, 1.0};  // per game

template <size_t N>
double CountOf(const std::array<double, N>& counts) {
  return std::accumulate(counts.begin(), counts.end(), 0.0);
}

// Wilson's interval from n observations of scores in [0, 1].
template <size_t N>
EloEstimate Estimate(const std::array<double, N>& counts, const std::array<double, N>& scores) {
  EloEstimate estimate;
  const double n = CountOf(counts);
  if (n == 0) return estimate;
  double mean = 0;
  for (size_t i = 0; i < N; ++i) mean += counts[i] * scores[i];
  mean /= n;
  double variance = 0;
  for (size_t i = 0; i < N; ++i) variance += counts[i] * (scores[i] - mean) * (scores[i] - mean);
  variance /= n;
  const double z2 = kZ95 * kZ95;
  const double centre = (mean + z2 / (2 * n)) / (1 + z2 / n);
  const double half = kZ95 / (1 + z2 / n) * std::sqrt(variance / n + z2 / (4 * n * n));
  estimate.difference = EloFromScore(mean);
  // Rounding must not push a score strictly inside (0, 1) onto an end.
  estimate.low = mean == 0 ? -kInfinity : EloFromScore(std::max(centre - half, 1e-12));
  estimate.high = mean == 1 ? kInfinity : EloFromScore(std::min(centre + half, 1 - 1e-12));
  return estimate;
}

// The outcome distribution closest to the observed one (most likely) among
// those with expected score `mean`: p_i = q_i / (1 + theta (x_i - mean)),
// theta the root of sum q_i (x_i - mean) / (1 + theta (x_i - mean)), which
// is strictly decreasing on the interval where every p_i stays positive.
template <size_t N>
std::array<double, N> LikeliestWithMean(const std::array<double, N>& observed,
                                        const std::array<double, N>& scores, double mean) {
  std::array<double, N> offset;
  for (size_t i = 0; i < N; ++i) offset[i] = scores[i] - mean;
  const auto slope = [&](double theta) {
    double sum = 0;
    for (size_t i = 0; i < N; ++i) sum += observed[i] * offset[i] / (1 + theta * offset[i]);
    return sum;
  };
  double low = -1 / (1 - mean);
  double high = 1 / mean;
  for (int step = 0; step < 200; ++step) {
    const double middle = 0.5 * (low + high);
    (slope(middle) > 0 ? low : high) = middle;
  }
  const double theta = 0.5 * (low + high);
  std::array<double, N> p;
  for (size_t i = 0; i < N; ++i) p[i] = observed[i] / (1 + theta * offset[i]);
  return p;
}

template <size_t N>
SprtStatus Sprt(std::array<double, N> counts, const std::array<double, N>& scores,
                const SprtHypotheses& hypotheses) {
  SprtStatus status;
  status.lower = std::log(hypotheses.beta / (1 - hypotheses.alpha));
  status.upper = std::log((1 - hypotheses.beta) / hypotheses.alpha);
  if (CountOf(counts) == 0) return status;
  for (double& count : counts)
    if (count == 0) count = kUnseenOutcome;
  const double total = CountOf(counts);
  std::array<double, N> observed;
  for (size_t i = 0; i < N; ++i) observed[i] = counts[i] / total;
  const auto p0 = LikeliestWithMean(observed, scores, ScoreFromElo(hypotheses.elo0));
  const auto p1 = LikeliestWithMean(observed, scores, ScoreFromElo(hypotheses.elo1));
  for (size_t i = 0; i < N; ++i) status.llr += counts[i] * std::log(p1[i] / p0[i]);
  if (status.llr >= status.upper) status.decision = SprtDecision::kAcceptH1;
  if (status.llr <= status.lower) status.decision = SprtDecision::kAcceptH0;
  return status;
}

std::array<double, 3> CountsOf(const Tally& tally) {
  return {double(tally.wins), double(tally.draws), double(tally.losses)};
}

std::array<double, 5> CountsOf(const PairTally& pairs) {
  std::array<double, 5> counts;
  for (size_t i = 0; i < 5; ++i) counts[i] = pairs.counts[i];
  return counts;
}

}  // namespace

int PairTally::Pairs() const {
  return std::accumulate(counts.begin(), counts.end(), 0);
}

double PairTally::Points() const {
  double points = 0;
  for (size_t i = 0; i < 5; ++i) points += counts[i] * 0.5 * static_cast<double>(i);
  return points;
}

void PairTally::Add(double pairPoints) {
  ++counts[static_cast<size_t>(std::lround(pairPoints * 2))];
}

double ScoreFromElo(double elo) {
  return 1 / (1 + std::pow(10.0, -elo / 400));
}

double EloFromScore(double score) {
  if (score <= 0) return -kInfinity;
  if (score >= 1) return kInfinity;
  return -400 * std::log10(1 / score - 1);
}

EloEstimate EstimateElo(const Tally& tally) {
  return Estimate(CountsOf(tally), kGameScores);
}

EloEstimate EstimateElo(const PairTally& pairs) {
  return Estimate(CountsOf(pairs), kPairScores);
}

std::optional<EloBound> BoundOf(const EloEstimate& estimate) {
  if (std::isfinite(estimate.difference)) return std::nullopt;
  if (estimate.difference > 0) return EloBound{true, estimate.low};
  return EloBound{false, estimate.high};
}

bool SensibleSprt(const SprtHypotheses& hypotheses) {
  const auto rate = [](double value) { return value > 0 && value < 0.5; };  // false for NaN
  return hypotheses.elo0 >= -kMaxSprtElo && hypotheses.elo0 < hypotheses.elo1 &&
         hypotheses.elo1 <= kMaxSprtElo && rate(hypotheses.alpha) && rate(hypotheses.beta);
}

SprtStatus EvaluateSprt(const Tally& tally, const SprtHypotheses& hypotheses) {
  return Sprt(CountsOf(tally), kGameScores, hypotheses);
}

SprtStatus EvaluateSprt(const PairTally& pairs, const SprtHypotheses& hypotheses) {
  return Sprt(CountsOf(pairs), kPairScores, hypotheses);
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
