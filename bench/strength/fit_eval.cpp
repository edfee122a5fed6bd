// Fits the strong engine's evaluation weights to the results of self-play
// games: every position where the search would stop and evaluate (no five
// to play or to block, no win by fours, the opponent's threats answerable)
// becomes a sample of its pattern counts and the final result from the
// side to move's view. The weights minimise the squared error between the
// result and a logistic curve of the evaluation, whose scale is first fitted
// to the current weights so that the units stay those of the search.
//
//     fit-eval games.sgf [more.sgf ...] [--skip 4] [--fix 5,7,8,9]
//
// Games come from `pentad match ... --sgf FILE` (any engines, any budgets).
// It prints the weight table to paste into src/search/evaluation.hpp; a new
// table lands only after a match shows it stronger.
#include <CLI/CLI.hpp>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "classic/book/recorded_game.hpp"
#include "strong/evaluation.hpp"
#include "strong/move_generation.hpp"
#include "strong/search_board.hpp"
#include "strong/vcf.hpp"

namespace pentad::strong {
namespace {

// kNone counts every quiet cell and kFive never reaches the evaluation:
// the weights fitted are the tempo, then patterns 1..9 of the side to move,
// then the same of the side waiting.
constexpr int kPatterns = kCellPatternCount - 2;
constexpr int kWeights = 1 + 2 * kPatterns;
constexpr int64_t kFilterVcfNodes = 2000;

using Weights = std::array<double, kWeights>;

struct Sample {
  Weights features{};
  double resultSum = 0;  // 1 a win, 0.5 a draw, 0 a loss of the side to move
  int count = 0;

  double Result() const { return resultSum / count; }
};

// The side to move's score of a finished game: 1 a win, 0.5 a draw.
double ResultFor(uint8_t side, classic::book::GameResult result) {
  if (result == classic::book::GameResult::kDraw) return 0.5;
  return (result == classic::book::GameResult::kBlackWins) == (side == kPlayerX) ? 1 : 0;
}

// Where the search evaluates instead of looking further.
bool IsEvaluated(SearchBoard& board, VcfSearch& vcf) {
  const uint8_t me = board.SideToMove();
  if (board.Count(me, CellPattern::kFive) > 0) return false;
  if (board.Count(kOpponent[me], CellPattern::kFive) > 0) return false;
  if (HasFourMove(board, me) &&
      vcf.Search(board, VcfLimits{.maxNodes = kFilterVcfNodes}).outcome != VcfOutcome::kNoWin) {
    return false;
  }
  return CanAnswerThreats(board);
}

Weights FeaturesOf(const SearchBoard& board) {
  const uint8_t me = board.SideToMove();
  Weights features{};
  features[0] = 1;
  for (int p = 1; p <= kPatterns; ++p) {
    const auto pattern = static_cast<CellPattern>(p);
    features[p] = board.Count(me, pattern);
    features[kPatterns + p] = -board.Count(kOpponent[me], pattern);
  }
  return features;
}

// Positions met more than once (shared openings) are one sample with the
// mean of their results.
std::vector<Sample> CollectSamples(const std::vector<classic::book::RecordedGame>& games,
                                   int skipPlies) {
  std::vector<Sample> samples;
  std::unordered_map<uint64_t, size_t> byHash;
  VcfSearch vcf;
  for (const classic::book::RecordedGame& game : games) {
    SearchBoard board;
    for (size_t ply = 0; ply < game.moves.size(); ++ply) {
      if (static_cast<int>(ply) >= skipPlies && IsEvaluated(board, vcf)) {
        const auto [it, fresh] = byHash.try_emplace(board.Hash(), samples.size());
        if (fresh) samples.push_back(Sample{.features = FeaturesOf(board)});
        samples[it->second].resultSum += ResultFor(board.SideToMove(), game.result);
        ++samples[it->second].count;
      }
      board.Make(CellAt(game.moves[ply].x, game.moves[ply].y));
    }
  }
  return samples;
}

double Dot(const Weights& weights, const Weights& features) {
  double sum = 0;
  for (int i = 0; i < kWeights; ++i) sum += weights[i] * features[i];
  return sum;
}

double Sigmoid(double x) {
  return 1 / (1 + std::exp(-x));
}

// Weighted by how often each position was met.
double MeanSquaredError(const std::vector<Sample>& samples, const Weights& weights, double scale) {
  double sum = 0;
  int count = 0;
  for (const Sample& sample : samples) {
    const double error = sample.Result() - Sigmoid(scale * Dot(weights, sample.features));
    sum += error * error * sample.count;
    count += sample.count;
  }
  return sum / count;
}

double FitScale(const std::vector<Sample>& samples, const Weights& weights) {
  double best = 0;
  double bestError = 2;
  for (double scale = 0.0005; scale < 0.05; scale *= 1.05) {
    const double error = MeanSquaredError(samples, weights, scale);
    if (error < bestError) {
      bestError = error;
      best = scale;
    }
  }
  return best;
}

Weights Gradient(const std::vector<Sample>& samples, const Weights& weights, double scale) {
  Weights gradient{};
  int count = 0;
  for (const Sample& sample : samples) {
    const double predicted = Sigmoid(scale * Dot(weights, sample.features));
    const double factor =
        -2 * (sample.Result() - predicted) * predicted * (1 - predicted) * scale * sample.count;
    for (int i = 0; i < kWeights; ++i) gradient[i] += factor * sample.features[i];
    count += sample.count;
  }
  for (double& g : gradient) g /= count;
  return gradient;
}

// Adam steps of about `step` evaluation units; fixed weights keep their
// value (patterns too rare in the samples to be fitted).
Weights Fit(const std::vector<Sample>& samples, Weights weights, double scale,
            const std::array<bool, kWeights>& fixed, int iterations, double step) {
  constexpr double kBeta1 = 0.9;
  constexpr double kBeta2 = 0.999;
  Weights mean{};
  Weights variance{};
  for (int t = 1; t <= iterations; ++t) {
    const Weights gradient = Gradient(samples, weights, scale);
    const double meanCorrection = 1 - std::pow(kBeta1, t);
    const double varianceCorrection = 1 - std::pow(kBeta2, t);
    for (int i = 0; i < kWeights; ++i) {
      mean[i] = kBeta1 * mean[i] + (1 - kBeta1) * gradient[i];
      variance[i] = kBeta2 * variance[i] + (1 - kBeta2) * gradient[i] * gradient[i];
      const double m = mean[i] / meanCorrection;
      const double v = variance[i] / varianceCorrection;
      if (!fixed[i]) weights[i] -= step * m / (std::sqrt(v) + 1e-12);
    }
  }
  return weights;
}

Weights CurrentWeights() {
  Weights weights{};
  weights[0] = kEvalWeights.tempo;
  for (int p = 1; p <= kPatterns; ++p) {
    weights[p] = kEvalWeights.toMove[p];
    weights[kPatterns + p] = kEvalWeights.waiting[p];
  }
  return weights;
}

void PrintTable(const Weights& weights) {
  auto row = [&weights](const char* name, int first) {
    std::printf("    .%s = {0", name);
    for (int p = 1; p <= kPatterns; ++p) std::printf(", %ld", std::lround(weights[first + p - 1]));
    std::printf(", 0},\n");
  };
  row("toMove", 1);
  row("waiting", 1 + kPatterns);
  std::printf("    .tempo = %ld,\n", std::lround(weights[0]));
}

int Run(const std::vector<std::string>& files, int skipPlies, const std::vector<int>& fixedPatterns,
        int iterations) {
  std::vector<classic::book::RecordedGame> games;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "fit-eval: cannot read %s\n", file.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    // Games without a result, or that do not parse, say nothing of the weights.
    for (classic::book::GameReading& reading : classic::book::ReadSgfGames(text.str()).games) {
      if (reading.error.empty() && reading.game.result != classic::book::GameResult::kUnknown)
        games.push_back(std::move(reading.game));
    }
  }
  const std::vector<Sample> samples = CollectSamples(games, skipPlies);
  if (samples.empty()) {
    std::fprintf(stderr, "fit-eval: no position to fit in %zu games\n", games.size());
    return 1;
  }
  std::array<bool, kWeights> fixed{};
  for (const int index : fixedPatterns) fixed[index] = true;
  const Weights current = CurrentWeights();
  const double scale = FitScale(samples, current);
  const Weights fitted = Fit(samples, current, scale, fixed, iterations, 1.0);
  std::printf("games %zu, positions %zu, scale %.5f, error %.6f -> %.6f\n", games.size(),
              samples.size(), scale, MeanSquaredError(samples, current, scale),
              MeanSquaredError(samples, fitted, scale));
  PrintTable(fitted);
  return 0;
}

}  // namespace
}  // namespace pentad::strong

int main(int argc, char** argv) {
  CLI::App app{"Fit the strong engine's evaluation weights to self-play game results"};
  std::vector<std::string> files;
  int skipPlies = 4;
  std::vector<int> fixed;
  int iterations = 1500;
  app.add_option("games", files, "SGF collections written by pentad match --sgf")
      ->required()
      ->check(CLI::ExistingFile);
  app.add_option("--skip", skipPlies, "Plies of each game not sampled (the opening)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--fix", fixed,
                 "Weights kept as they are: 0 the tempo, 1-9 the side to move's patterns, "
                 "10-18 the waiting side's")
      ->delimiter(',')
      ->check(CLI::Range(0, pentad::strong::kWeights - 1));
  app.add_option("--iterations", iterations, "Gradient steps")->check(CLI::PositiveNumber);
  CLI11_PARSE(app, argc, argv);
  return pentad::strong::Run(files, skipPlies, fixed, iterations);
}
