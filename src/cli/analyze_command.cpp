// `pentad analyze`: one decision made exactly as a turn makes it, reported
// as JSON instead of written into the side file.
#include <iostream>
#include <string>

#include "analysis/analysis_json.hpp"
#include "cli/commands.hpp"

namespace pentad::cli {

namespace {

struct AnalyzeOptions {
  std::string dir = ".";
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
  const auto start = TimeBudget::Clock::now();
  const auto position = ReadPosition(options.dir);
  if (!position)
    return PrintError("cannot read \"" + std::string(kSideFileName) + "\" in " + options.dir);
  DecisionSettings settings;
  settings.seed = options.seed;
  settings.checks = options.checks;
  settings.dataDir = options.dir;
  settings.start = start;
  if (!settings.seed) settings.seed = TimeOfDaySeed();
  Board evaluated;
  if (options.cells) evaluated = EvaluatedBoard(*position, *settings.seed);
  const Decision decision = Decide(*position, settings);
  nlohmann::ordered_json out = analysis::DecisionJson(*position, decision);
  if (options.cells) out["cells"] = analysis::CellsJson(evaluated);
  if (options.threats) out["threats"] = analysis::ThreatsJson(position->board);
  std::cout << JsonText(out) << std::endl;
  return 0;
}

int RunAnalyze(const AnalyzeOptions& options) {
  try {
    return Analyze(options);
  } catch (const nlohmann::json::exception& e) {
    return PrintError(std::string("cannot report the decision: ") + e.what());
  }
}

}  // namespace

CommandRunner AddAnalyzeCommand(CLI::App& app) {
  auto options = std::make_shared<AnalyzeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "analyze", "Decide the move of the position in DIR as a turn would, and print it as JSON");
  cmd->add_option("dir", options->dir, "Directory holding \"Plocha.dat\" and \"Tah.dat\"")
      ->capture_default_str();
  cmd->add_option("--seed", options->seed, "Seed of the random generator (default: time of day)")
      ->check(CLI::Range(0LL, 4294967295LL));
  cmd->add_option("--checks", options->checks,
                  "Budget of N time checks instead of the 4.5-second clock")
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
  cmd->add_flag("--cells", options->cells, "Include the evaluation of every cell");
  cmd->add_flag("--threats", options->threats, "Include the threat of every empty cell");
  return [options] { return RunAnalyze(*options); };
}

}  // namespace pentad::cli
