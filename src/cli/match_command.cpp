// `pentad match A B`: a headless match between two engines of either kind,
// with a game collection, a summary and an optional SPRT; whole or one
// shard of it. `pentad match merge R1.json ...`: shards' results as one.
#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include "cli/commands.hpp"
#include "common/regular_file.hpp"
#include "match/cancel.hpp"
#include "match/process.hpp"
#include "match/runner.hpp"
#include "match/sgf.hpp"
#include "match/shard_merge.hpp"
#include "match/summary.hpp"
#include "match/summary_json.hpp"
#include "match/summary_text.hpp"

// The command line of the runner speaks the runner's own words.
namespace pentad::match {
namespace {

struct MatchOptions {
  std::string engineA;
  std::string engineB;
  std::string kindA;
  std::string kindB;
  std::string nameA;
  std::string nameB;
  std::string dirA;
  std::string dirB;
  int games = 2;
  std::string openingsFile;
  bool emptyBoard = false;
  int64_t moveTime = 5000;
  std::optional<int64_t> gameTime;
  std::optional<int64_t> startTime;
  int64_t maxMemory = 0;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::string sgfFile;
  bool json = false;
  std::string sprt;
  std::string shard;
  CLI::App* merge = nullptr;
  std::vector<std::string> mergeFiles;
  bool mergeJson = false;
};

// A shard of a million games gives about 500 MB of JSON.
constexpr ReadBounds kResultBounds{
    .maxBytes = size_t{1} << 30, .maxTime = std::chrono::minutes(2), .followLink = true};

int UsageError(const std::string& message) {
  std::cerr << "pentad match: " << message << "\n";
  return 2;
}

std::optional<SprtHypotheses> ParseSprt(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  SprtHypotheses hypotheses;
  const auto parse = [](std::string_view part, double& value) {
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (!part.empty() && part.front() == '+') part.remove_prefix(1);
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && ec == std::errc() && end == part.data() + part.size();
  };
  if (!parse(std::string_view(text).substr(0, comma), hypotheses.elo0) ||
      !parse(std::string_view(text).substr(comma + 1), hypotheses.elo1) ||
      !SensibleSprt(hypotheses))
    return std::nullopt;
  return hypotheses;
}

// "K/N" with 0 <= K < N.
std::optional<Shard> ParseShard(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  Shard shard;
  const auto parse = [](std::string_view part, int& value) {
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && ec == std::errc() && end == part.data() + part.size();
  };
  if (!parse(std::string_view(text).substr(0, slash), shard.index) ||
      !parse(std::string_view(text).substr(slash + 1), shard.count) || shard.count < 1 ||
      shard.index < 0 || shard.index >= shard.count)
    return std::nullopt;
  return shard;
}

// Applies the per-engine options; an error message, or empty.
std::string Configure(EngineSetup& setup, const std::string& kind, const std::string& name,
                      const std::string& dir, char label) {
  if (kind == "file") setup.kind = PlayerKind::kFile;
  if (kind == "pipe") setup.kind = PlayerKind::kPipe;
  if (!name.empty()) setup.name = name;
  if (!dir.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
      return std::string("--engine-dir-") + label + ": no directory \"" + dir + "\"";
    setup.dataDir = std::filesystem::absolute(dir, ec);
  }
  return "";
}

class ProgressLine {
 public:
  explicit ProgressLine(std::optional<SprtHypotheses> sprt)
      : enabled_(isatty(STDERR_FILENO) == 1), sprt_(sprt) {}
  ~ProgressLine() {
    if (enabled_ && shown_) std::fputs("\r\033[K", stderr);
  }

  void Show(const MatchProgress& p) {
    if (!enabled_) return;
    const auto seconds = p.elapsed.count() / 1000;
    const auto& c = p.pairs.counts;
    std::string line = "games " + std::to_string(p.done) + "/" + std::to_string(p.total) +
                       "  W-D-L " + std::to_string(p.tally.wins) + "-" +
                       std::to_string(p.tally.draws) + "-" + std::to_string(p.tally.losses) +
                       "  pairs " + std::to_string(c[0]) + "-" + std::to_string(c[1]) + "-" +
                       std::to_string(c[2]) + "-" + std::to_string(c[3]) + "-" +
                       std::to_string(c[4]);
    if (p.pairs.Pairs() > 0) line += "  Elo " + EloAndMargin(EstimateElo(p.pairs));
    if (sprt_) {
      char llr[32];
      std::snprintf(llr, sizeof llr, "  LLR %.2f", EvaluateSprt(p.pairs, *sprt_).llr);
      line += llr;
    }
    std::fprintf(stderr, "\r%s  elapsed %lld:%02lld:%02lld\033[K", line.c_str(),
                 static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                 static_cast<long long>(seconds % 60));
    std::fflush(stderr);
    shown_ = true;
  }

 private:
  // "+35.2 +-41.0": half the interval's width, which is not symmetric in Elo.
  static std::string EloAndMargin(const EloEstimate& elo) {
    if (BoundOf(elo)) return EloText(elo);
    char margin[32];
    std::snprintf(margin, sizeof margin, " +-%.1f", (elo.high - elo.low) / 2);
    return EloText(elo) + margin;
  }

  bool enabled_;
  std::optional<SprtHypotheses> sprt_;
  bool shown_ = false;
};

int RunMerge(const MatchOptions& options) {
  std::vector<ShardResult> results;
  for (const std::string& file : options.mergeFiles) {
    const FileContents contents = ReadRegularFile(file, kResultBounds);
    if (!contents.Read())
      return UsageError("merge: cannot read " + file + ": it " + contents.error);
    ShardResult result{file, nlohmann::ordered_json::parse(contents.bytes, nullptr, false)};
    if (result.json.is_discarded()) return UsageError("merge: " + file + " is not JSON");
    results.push_back(std::move(result));
  }
  std::string error;
  auto merged = MergeShards(results, &error);
  if (!merged) return UsageError("merge: " + error);
  const MatchSummary summary = Summarize(merged->info, merged->games, merged->facts);
  if (options.mergeJson)
    std::cout << JsonText(SummaryJson(merged->info, summary, std::move(merged->gamesJson)))
              << std::endl;
  else
    std::cout << SummaryText(merged->info, summary) << std::flush;
  return 0;
}

int RunMatchCommand(const MatchOptions& options) {
  if (options.merge->parsed()) return RunMerge(options);
  if (options.engineA.empty()) return UsageError("A is required");
  if (options.engineB.empty()) return UsageError("B is required");
  MatchSettings settings;
  std::string error;
  auto a = ParseEngine(options.engineA, &error);
  if (!a) return UsageError("engine A: " + error);
  auto b = ParseEngine(options.engineB, &error);
  if (!b) return UsageError("engine B: " + error);
  settings.a = std::move(*a);
  settings.b = std::move(*b);
  if (auto problem = Configure(settings.a, options.kindA, options.nameA, options.dirA, 'a');
      !problem.empty())
    return UsageError(problem);
  if (auto problem = Configure(settings.b, options.kindB, options.nameB, options.dirB, 'b');
      !problem.empty())
    return UsageError(problem);
  settings.games = options.games;
  settings.jobs = options.jobs;
  settings.time.moveTime = Milliseconds(options.moveTime);
  if (options.gameTime) settings.time.gameTime = Milliseconds(*options.gameTime);
  if (options.startTime) settings.time.startTime = Milliseconds(*options.startTime);
  settings.time.maxMemory = options.maxMemory;
  if (!options.openingsFile.empty()) {
    auto openings = LoadOpenings(options.openingsFile, &error);
    if (!openings) return UsageError("--openings: " + error);
    settings.openings = std::move(*openings);
    settings.openingsSource = options.openingsFile;
  } else if (!options.emptyBoard) {
    settings.openings = DefaultOpenings();
    settings.openingsSource = "built-in";
  }
  if (!options.shard.empty()) {
    const auto shard = ParseShard(options.shard);
    if (!shard)
      return UsageError("--shard wants K/N with 0 <= K < N, not \"" + options.shard + "\"");
    settings.shard = *shard;
  }
  if (!options.sprt.empty()) {
    settings.sprt = ParseSprt(options.sprt);
    if (!settings.sprt)
      return UsageError("--sprt wants ELO0,ELO1 with -1000 <= ELO0 < ELO1 <= 1000, not \"" +
                        options.sprt + "\"");
  }
  SgfCollection sgf;
  if (!options.sgfFile.empty() && !sgf.Open(options.sgfFile, &error)) return UsageError(error);

  Cancellation cancel;
  SignalGuard signals(cancel);
  AdoptOrphanedDescendants();
  auto progress = std::make_unique<ProgressLine>(settings.sprt);
  bool sgfFailed = false;
  MatchHooks hooks;
  hooks.onProgress = [&](const MatchProgress& p) { progress->Show(p); };
  if (!options.sgfFile.empty()) {
    hooks.onGame = [&](const GameRecord& record) {
      if (!sgf.Append(record, &error) && !sgfFailed) {
        sgfFailed = true;
        std::cerr << "\npentad match: " << error << "\n";
      }
    };
  }
  const MatchOutcome outcome = RunMatch(settings, cancel, hooks);
  progress.reset();
  const MatchSummary summary = Summarize(settings, outcome);
  if (options.json) {
    nlohmann::ordered_json games = nlohmann::ordered_json::array();
    for (const GameRecord& game : outcome.games) games.push_back(GameJson(game));
    std::cout << JsonText(SummaryJson(InfoOf(settings), summary, std::move(games))) << std::endl;
  } else {
    std::cout << SummaryText(InfoOf(settings), summary) << std::flush;
  }
  if (!outcome.failure.empty()) std::cerr << "pentad match: stopped: " << outcome.failure << "\n";
  if (outcome.interrupted) return 128 + (outcome.signal > 0 ? outcome.signal : SIGINT);
  return sgfFailed || !outcome.failure.empty() ? 1 : 0;
}

}  // namespace
}  // namespace pentad::match

namespace pentad::cli {

CommandRunner AddMatchCommand(CLI::App& app) {
  auto options = std::make_shared<match::MatchOptions>();
  CLI::App* cmd = app.add_subcommand(
      "match",
      "Play a match between engines A and B, headless, and print a summary.\n"
      "An engine is an executable with optional arguments (\"path arg ...\", quoted as one\n"
      "argument). Names starting with \"pbrain-\" talk the pipe protocol, others the file\n"
      "exchange (\"PLOCHA.DAT\" / \"TAH.DAT\" in a private working directory per game).\n"
      "Colours alternate: A plays \"x\" (first) in odd-numbered games; games 2p+1 and 2p+2\n"
      "share an opening and make pair p.\n"
      "Exit status: 0 done, 1 the game collection could not be written or the runner failed,\n"
      "2 bad options, 128 + N when stopped by signal N (finished games are kept).");
  cmd->add_option("A", options->engineA, "Engine A: executable path and arguments");
  cmd->add_option("B", options->engineB, "Engine B: executable path and arguments");
  cmd->add_option("--games", options->games, "Number of games")
      ->capture_default_str()
      ->check(CLI::Range(1, match::kMaxGames));
  cmd->add_option("--openings", options->openingsFile,
                  "Openings, one a line, from \"x\": offsets from the centre (10, 10), "
                  "\"dx,dy, dx,dy, ...\", or moves like \"h8i9\" (a = x 0, 1 = y 0, k11 the "
                  "centre); each is played from both sides, in order, repeated (default: a "
                  "built-in set of balanced openings)");
  cmd->add_flag("--empty-board", options->emptyBoard,
                "Start every game from the empty board instead of the built-in openings")
      ->excludes("--openings");
  cmd->add_option("--move-time", options->moveTime,
                  "Milliseconds per move: a file engine still running is killed, a brain that "
                  "has not answered loses")
      ->capture_default_str()
      ->check(CLI::Range(int64_t{1}, match::kMaxMoveTimeMs));
  cmd->add_option("--game-time", options->gameTime,
                  "Milliseconds per engine per game (default: unlimited); passed to brains as "
                  "timeout_match and time_left")
      ->check(CLI::Range(int64_t{1}, match::kMaxGameTimeMs));
  cmd->add_option("--start-time", options->startTime,
                  "Milliseconds a brain has to answer START and ABOUT (default: the move time)")
      ->check(CLI::Range(int64_t{1}, match::kMaxMoveTimeMs));
  cmd->add_option("--max-memory", options->maxMemory,
                  "Bytes an engine may use, passed on as max_memory (0: no limit)")
      ->capture_default_str()
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
  cmd->add_option("--kind-a", options->kindA, "Kind of engine A instead of by name: file|pipe")
      ->check(CLI::IsMember({"file", "pipe"}));
  cmd->add_option("--kind-b", options->kindB, "Kind of engine B instead of by name: file|pipe")
      ->check(CLI::IsMember({"file", "pipe"}));
  cmd->add_option("--engine-dir-a", options->dirA,
                  "Copy this directory (books, \"LEARN.ini\") into each of A's working "
                  "directories");
  cmd->add_option("--engine-dir-b", options->dirB, "The same for B");
  cmd->add_option("--name-a", options->nameA,
                  "Name of A in games and summary (default: file name)");
  cmd->add_option("--name-b", options->nameB,
                  "Name of B in games and summary (default: file name)");
  cmd->add_option("-j,--jobs", options->jobs, "Games played at once (default: number of cores)")
      ->check(CLI::Range(1, 1024));
  cmd->add_option("--sgf", options->sgfFile, "Append every finished game to this SGF collection");
  cmd->add_flag("--json", options->json, "Print the summary as JSON, with every game");
  cmd->add_option("--sprt", options->sprt,
                  "ELO0,ELO1: sequential probability ratio test of A's Elo advantage "
                  "(alpha = beta = 0.05) on the pairs; stops scheduling games once a bound is "
                  "crossed (not in a shard)");
  cmd->add_option("--shard", options->shard,
                  "K/N: play only the pairs p with p % N == K, numbered as in the whole match; "
                  "merge the shards' --json results with `pentad match merge`");
  options->merge = cmd->add_subcommand(
      "merge", "Combine the --json results of a match's shards into the match's summary");
  options->merge->add_option("results", options->mergeFiles, "JSON results of --shard runs")
      ->required();
  options->merge->add_flag("--json", options->mergeJson, "Print the summary as JSON");
  return [options] { return match::RunMatchCommand(*options); };
}

}  // namespace pentad::cli
