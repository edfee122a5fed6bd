// `pentad analyze`: one decision made exactly as a turn makes it, reported
// as JSON instead of written into the side file; or, with --engine strong,
// the strong engine's search on the same position.
#include <iostream>
#include <string>

#include "analysis/analysis_json.hpp"
#include "cli/commands.hpp"
#include "common/position_files.hpp"
#include "engine/strong_decision.hpp"

namespace pentad::cli {

namespace {

struct AnalyzeOptions {
  std::string dir = ".";
  std::string engine = "classic";
  int64_t moveTimeMs = kStrongMoveTime.count();
  std::optional<int64_t> nodes;
  std::optional<uint32_t> seed;
  std::optional<int64_t> checks;
  bool cells = false;
  bool threats = false;
};

// File names are bytes, not necessarily UTF-8: invalid bytes become U+FFFD
// rather than make the output unreadable JSON.
std::string JsonText(const nlohmann::ordered_json& json) {
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int PrintError(const std::string& message) {
  nlohmann::ordered_json error;
  error["error"] = message;
  std::cout << JsonText(error) << std::endl;
  return 1;
}

int Analyze(const AnalyzeOptions& options) {
  const auto start = classic::TimeBudget::Clock::now();
  const auto position = ReadPosition(options.dir);
  if (!position)
    return PrintError("cannot read \"" + std::string(kSideFileName) + "\" in " + options.dir);
  classic::DecisionSettings settings;
  settings.seed = options.seed;
  settings.checks = options.checks;
  settings.dataDir = options.dir;
  settings.start = start;
  if (!settings.seed) settings.seed = classic::TimeOfDaySeed();
  classic::Board evaluated;
  if (options.cells) evaluated = classic::EvaluatedBoard(*position, *settings.seed);
  const classic::Decision decision = classic::Decide(*position, settings);
  nlohmann::ordered_json out = analysis::DecisionJson(*position, decision);
  if (options.cells) out["cells"] = analysis::CellsJson(evaluated);
  if (options.threats) out["threats"] = analysis::ThreatsJson(classic::BoardOf(position->stones));
  std::cout << JsonText(out) << std::endl;
  return 0;
}

int AnalyzeStrong(const AnalyzeOptions& options) {
  const auto start = strong::SearchLimits::Clock::now();
  const auto position = ReadPosition(options.dir);
  if (!position)
    return PrintError("cannot read \"" + std::string(kSideFileName) + "\" in " + options.dir);
  const strong::SearchLimits limits =
      StrongLimits(start, std::chrono::milliseconds(options.moveTimeMs), options.nodes);
  strong::StrongEngine engine;
  const strong::SearchOutcome outcome = DecideStrong(engine, *position, limits);
  std::cout << JsonText(analysis::StrongJson(*position, limits, outcome)) << std::endl;
  return 0;
}

int RunAnalyze(const AnalyzeOptions& options) {
  try {
    return EngineNamed(options.engine) == EngineKind::kStrong ? AnalyzeStrong(options)
                                                              : Analyze(options);
  } catch (const nlohmann::json::exception& e) {
    return PrintError(std::string("cannot report the decision: ") + e.what());
  }
}

}  // namespace

CommandRunner AddAnalyzeCommand(CLI::App& app) {
  auto options = std::make_shared<AnalyzeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "analyze",
      "classic::Decide the move of the position in DIR as a turn would, and print it as JSON");
  cmd->add_option("dir", options->dir, "Directory holding \"Plocha.dat\" and \"Tah.dat\"")
      ->capture_default_str();
  cmd->add_option("--seed", options->seed, "Seed of the random generator (default: time of day)")
      ->check(CLI::Range(0LL, 4294967295LL));
  cmd->add_option("--checks", options->checks,
                  "Budget of N time checks instead of the 4.5-second clock")
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
  cmd->add_flag("--cells", options->cells, "Include the evaluation of every cell");
  cmd->add_flag("--threats", options->threats, "Include the threat of every empty cell");
  cmd->add_option("--engine", options->engine, "The engine that decides: classic or strong")
      ->check(CLI::IsMember({"classic", "strong"}))
      ->capture_default_str();
  CLI::Option* moveTime =
      cmd->add_option("--move-time", options->moveTimeMs, "Strong engine: milliseconds to think")
          ->check(CLI::Range(int64_t{1}, int64_t{3'600'000}))
          ->capture_default_str();
  CLI::Option* nodes =
      cmd->add_option("--nodes", options->nodes,
                      "Strong engine: a budget of N nodes instead of the clock (reproducible)")
          ->check(CLI::Range(int64_t{1}, INT64_MAX));
  // Each engine has its own budget and report; an option of the other one
  // would be silently ignored, so it is refused.
  cmd->callback([cmd, options, moveTime, nodes] {
    const bool strong = options->engine == "strong";
    const char* classicOnly[] = {"--seed", "--checks", "--cells", "--threats"};
    for (const char* name : classicOnly)
      if (strong && cmd->count(name) > 0)
        throw CLI::ValidationError(name, "applies to the classic engine only");
    for (const CLI::Option* option : {moveTime, nodes})
      if (!strong && option->count() > 0)
        throw CLI::ValidationError(option->get_name(), "applies to --engine strong only");
  });
  return [options] { return RunAnalyze(*options); };
}

}  // namespace pentad::cli
