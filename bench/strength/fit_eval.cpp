// Fits the strong engine's evaluation to the results of games: every
// position where the search would stop and evaluate (no five to play or to
// block, no win by fours, the opponent's threats answerable) becomes a
// sample of its pattern counts, labelled by the final result from the side
// to move's view and, with --search-nodes, by what a deeper search of our
// own says of the position (a game's result says little of one position;
// the search says much more, and the evaluation learns to foresee it). The
// weights minimise the squared error between the label and a logistic curve
// of the evaluation, whose scale is first fitted to the current weights and
// the results so that the units stay those of the search; a pull towards
// the current weights keeps those the games seldom show near them.
//
//     fit-eval games.sgf [more.sgf ...] [--skip 4] [--fix 5,7,8,9]
//         [--prior 0.000001] [--search-nodes 20000] [--result-share 0.3]
//         [--labels labels.txt] [--out src/strong/eval_weights.inc]
//
// Games come from `pentad match ... --sgf FILE` (any engines, any budgets;
// bench/strength/fit-eval.sh plays them). It prints the table, or writes
// it where the build reads it; a new table lands only after a match shows
// it stronger. A quarter of the games is kept out of the fit and reported:
// a fit that only learns its own games shows there.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "classic/book/recorded_game.hpp"
#include "strong/evaluation.hpp"
#include "strong/move_generation.hpp"
#include "strong/search_board.hpp"
#include "strong/strong_engine.hpp"
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
  bool heldOut = false;
  int searchScore = 0;  // of a deeper search, when one labels the samples
  double target = 0;    // what the fit predicts

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

// A search of `nodes` from a position: a deeper look than the
// evaluation's, and far less noisy than a game's result. A small table
// keeps each search's clearing cheap. With a labels file, the scores found
// are kept in it as lines "hash score" and those it holds are not searched
// again: refits with other options, or with more games, search only the
// new positions. The file belongs to one engine and budget.
class PositionScorer {
 public:
  PositionScorer(int64_t nodes, const std::string& labelsFile) : engine_(size_t{4} << 20) {
    limits_.maxNodes = nodes;
    limits_.hardTime = kNoTimeLimit;
    if (labelsFile.empty()) return;
    wantsLabels_ = true;
    std::ifstream in(labelsFile);
    uint64_t hash = 0;
    int score = 0;
    while (in >> hash >> score) known_[hash] = score;
    // A file that stops parsing before its end would hide what is appended.
    if (in.is_open() && !in.eof()) return;
    labels_.open(labelsFile, std::ios::app);
  }
  // False when a labels file was asked for and cannot be read to its end
  // or written.
  bool KeepsLabels() {
    if (!wantsLabels_) return true;
    labels_.flush();
    return labels_.is_open() && !labels_.fail();
  }
  int Score(const SearchBoard& board) {
    if (const auto it = known_.find(board.Hash()); it != known_.end()) return it->second;
    const int score = engine_.Think(board, limits_).score;
    if (labels_.is_open()) labels_ << board.Hash() << ' ' << score << '\n';
    return score;
  }

 private:
  StrongEngine engine_;
  SearchLimits limits_;
  bool wantsLabels_ = false;
  std::unordered_map<uint64_t, int> known_;
  std::ofstream labels_;
};

// Positions met more than once (shared openings) are one sample with the
// mean of their results; every fourth game's new positions are held out.
// With a scorer, each new position is also scored by its search.
std::vector<Sample> CollectSamples(const std::vector<classic::book::RecordedGame>& games,
                                   int skipPlies, PositionScorer* scorer) {
  std::vector<Sample> samples;
  std::unordered_map<uint64_t, size_t> byHash;
  VcfSearch vcf;
  for (size_t g = 0; g < games.size(); ++g) {
    const classic::book::RecordedGame& game = games[g];
    SearchBoard board;
    for (size_t ply = 0; ply < game.moves.size(); ++ply) {
      if (static_cast<int>(ply) >= skipPlies && IsEvaluated(board, vcf)) {
        const auto [it, fresh] = byHash.try_emplace(board.Hash(), samples.size());
        if (fresh) {
          samples.push_back(Sample{.features = FeaturesOf(board),
                                   .heldOut = g % 4 == 3,
                                   .searchScore = scorer ? scorer->Score(board) : 0});
        }
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

// Weighted by how often each position was met; the held-out samples or the
// others.
double MeanSquaredError(const std::vector<Sample>& samples, const Weights& weights, double scale,
                        bool heldOut) {
  double sum = 0;
  int count = 0;
  for (const Sample& sample : samples) {
    if (sample.heldOut != heldOut) continue;
    const double error = sample.target - Sigmoid(scale * Dot(weights, sample.features));
    sum += error * error * sample.count;
    count += sample.count;
  }
  return count > 0 ? sum / count : 0;
}

double FitScale(const std::vector<Sample>& samples, const Weights& weights) {
  double best = 0;
  double bestError = 2;
  for (double scale = 0.0005; scale < 0.05; scale *= 1.05) {
    const double error = MeanSquaredError(samples, weights, scale, false);
    if (error < bestError) {
      bestError = error;
      best = scale;
    }
  }
  return best;
}

// Of the error over the fitted samples, plus the pull towards `prior`.
Weights Gradient(const std::vector<Sample>& samples, const Weights& weights, double scale,
                 const Weights& prior, double pull) {
  Weights gradient{};
  int count = 0;
  for (const Sample& sample : samples) {
    if (sample.heldOut) continue;
    const double predicted = Sigmoid(scale * Dot(weights, sample.features));
    const double factor =
        -2 * (sample.target - predicted) * predicted * (1 - predicted) * scale * sample.count;
    for (int i = 0; i < kWeights; ++i) gradient[i] += factor * sample.features[i];
    count += sample.count;
  }
  for (int i = 0; i < kWeights; ++i)
    gradient[i] = gradient[i] / count + pull * (weights[i] - prior[i]);
  return gradient;
}

// The search's win probability on the evaluation's curve, a proven result
// as 1 or 0.
double SearchProbability(int score, double scale) {
  if (score > kProvenScore) return 1;
  if (score < -kProvenScore) return 0;
  return Sigmoid(scale * score);
}

// A share of the game's result and the rest of the search's view.
void SetTargets(std::vector<Sample>& samples, double resultShare, double scale) {
  for (Sample& sample : samples) {
    sample.target = resultShare * sample.Result() +
                    (1 - resultShare) * SearchProbability(sample.searchScore, scale);
  }
}

// Adam steps of about `step` evaluation units; fixed weights keep their
// value (patterns too rare in the samples to be fitted).
Weights Fit(const std::vector<Sample>& samples, Weights weights, double scale, double pull,
            const std::vector<int>& fixedWeights, int iterations, double step) {
  constexpr double kBeta1 = 0.9;
  constexpr double kBeta2 = 0.999;
  const Weights prior = weights;
  auto fixed = [&](int i) {
    return std::find(fixedWeights.begin(), fixedWeights.end(), i) != fixedWeights.end();
  };
  Weights mean{};
  Weights variance{};
  for (int t = 1; t <= iterations; ++t) {
    const Weights gradient = Gradient(samples, weights, scale, prior, pull);
    const double meanCorrection = 1 - std::pow(kBeta1, t);
    const double varianceCorrection = 1 - std::pow(kBeta2, t);
    for (int i = 0; i < kWeights; ++i) {
      mean[i] = kBeta1 * mean[i] + (1 - kBeta1) * gradient[i];
      variance[i] = kBeta2 * variance[i] + (1 - kBeta2) * gradient[i] * gradient[i];
      const double m = mean[i] / meanCorrection;
      const double v = variance[i] / varianceCorrection;
      if (!fixed(i)) weights[i] -= step * m / (std::sqrt(v) + 1e-12);
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

// In the form src/strong/eval_weights.inc holds.
std::string TableText(const Weights& weights) {
  auto row = [&weights](const char* name, int first) {
    std::string text = std::string("    .") + name + " = {0";
    for (int p = 1; p <= kPatterns; ++p) {
      text += ", " + std::to_string(std::lround(weights[first + p - 1]));
    }
    return text + ", 0},\n";
  };
  return "// Written by fit-eval (bench/strength); the patterns none, two, double two,\n"
         "// closed three, open three, double three, four, four-three, double four,\n"
         "// open four, five.\n" +
         row("toMove", 1) + row("waiting", 1 + kPatterns) +
         "    .tempo = " + std::to_string(std::lround(weights[0])) + ",\n";
}

int Run(const std::vector<std::string>& files, int skipPlies, double pull,
        const std::vector<int>& fixedWeights, int iterations, int64_t searchNodes,
        double resultShare, const std::string& labels, const std::string& out) {
  std::vector<classic::book::RecordedGame> games;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "fit-eval: cannot read %s\n", file.c_str());
      return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    // Games without a result, or that do not parse, say nothing of the values.
    for (classic::book::GameReading& reading : classic::book::ReadSgfGames(text.str()).games) {
      if (reading.error.empty() && reading.game.result != classic::book::GameResult::kUnknown)
        games.push_back(std::move(reading.game));
    }
  }
  if (searchNodes == 0) resultShare = 1;
  std::optional<PositionScorer> scorer;
  const auto labelsLost = [&] {
    if (!scorer || scorer->KeepsLabels()) return false;
    std::fprintf(stderr, "fit-eval: cannot keep labels in %s\n", labels.c_str());
    return true;
  };
  if (resultShare < 1) scorer.emplace(searchNodes, labels);
  if (labelsLost()) return 1;
  std::vector<Sample> samples = CollectSamples(games, skipPlies, scorer ? &*scorer : nullptr);
  if (labelsLost()) return 1;
  if (samples.empty()) {
    std::fprintf(stderr, "fit-eval: no position to fit in %zu games\n", games.size());
    return 1;
  }
  const Weights current = CurrentWeights();
  SetTargets(samples, 1, 0);
  const double scale = FitScale(samples, current);
  SetTargets(samples, resultShare, scale);
  const Weights fitted = Fit(samples, current, scale, pull, fixedWeights, iterations, 1.0);
  std::fprintf(stderr,
               "games %zu, positions %zu, scale %.5f; error fitted %.6f -> %.6f, held out "
               "%.6f -> %.6f\n",
               games.size(), samples.size(), scale,
               MeanSquaredError(samples, current, scale, false),
               MeanSquaredError(samples, fitted, scale, false),
               MeanSquaredError(samples, current, scale, true),
               MeanSquaredError(samples, fitted, scale, true));
  const std::string table = TableText(fitted);
  if (out.empty()) {
    std::fputs(table.c_str(), stdout);
    return 0;
  }
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!(file << table)) {
    std::fprintf(stderr, "fit-eval: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace pentad::strong

int main(int argc, char** argv) {
  CLI::App app{"Fit the strong engine's evaluation to game results"};
  std::vector<std::string> files;
  int skipPlies = 4;
  double pull = 0.000001;
  int iterations = 1500;
  std::string out;
  std::string labels;
  std::vector<int> fixedWeights = {5, 7, 8, 9};
  int64_t searchNodes = 0;
  double resultShare = 0.3;
  app.add_option("games", files, "SGF collections written by pentad match --sgf")
      ->required()
      ->check(CLI::ExistingFile);
  app.add_option("--skip", skipPlies, "Plies of each game not sampled (the opening)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--prior", pull, "Pull of each weight towards its current one")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--iterations", iterations, "Gradient steps")->check(CLI::PositiveNumber);
  app.add_option("--fix", fixedWeights,
                 "Weights kept as they are: 0 the tempo, 1-9 the side to move's patterns, "
                 "10-18 the waiting side's")
      ->delimiter(',')
      ->check(CLI::Range(0, pentad::strong::kWeights - 1));
  app.add_option("--search-nodes", searchNodes,
                 "Label every position also by a search of this many nodes (0: results only)")
      ->check(CLI::NonNegativeNumber);
  app.add_option(
         "--result-share", resultShare,
         "With --search-nodes, the game result's share of each label; the search's the rest")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--labels", labels,
                 "With --search-nodes, keep the searches' scores in this file and reuse the "
                 "ones it holds (one engine and budget a file)");
  app.add_option("--out", out, "Write the table to this file (src/strong/eval_weights.inc)");
  CLI11_PARSE(app, argc, argv);
  return pentad::strong::Run(files, skipPlies, pull, fixedWeights, iterations, searchNodes,
                             resultShare, labels, out);
}
