// `pentad analyze`: one decision on the position of a directory, reported
// as JSON instead of written into the side file. The strong engine decides
// unless --engine classic asks for the one a turn plays.
#include <iostream>
#include <string>

#include "analysis/analysis_json.hpp"
#include "cli/commands.hpp"
#include "common/position_files.hpp"
#include "options/engine_options.hpp"

namespace pentad::cli {

namespace {

struct AnalyzeOptions {
  std::string dir = ".";
  bool cells = false;
  bool threats = false;
  std::unique_ptr<options::EngineCommandLine> engine;
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
  const auto start = engine::Clock::now();
  const auto position = ReadPosition(options.dir);
  if (!position)
    return PrintError("cannot read \"" + std::string(kSideFileName) + "\" in " + options.dir);
  engine::EngineOptions engineOptions = options.engine->Options();
  engineOptions.bookDir = options.dir;  // a turn reads its book beside the position
  engine::Request request = engine::RequestFor(engineOptions, *position, start);
  request.wantCells = options.cells;
  request.wantThreats = options.threats;
  const engine::Result result = engine::MakeEngine(engineOptions)->Decide(request);
  std::cout << JsonText(analysis::ResultJson(request, result)) << std::endl;
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
      "analyze", "Decide the move of the position in DIR and print the decision as JSON");
  cmd->add_option("dir", options->dir, "Directory holding \"Plocha.dat\" and \"Tah.dat\"")
      ->capture_default_str();
  options->engine = std::make_unique<options::EngineCommandLine>(*cmd, engine::kDefaultEngine);
  options->engine->AddMoveTime();
  cmd->add_flag("--cells", options->cells, "Classic engine: include the evaluation of every cell");
  cmd->add_flag("--threats", options->threats,
                "Classic engine: include the threat of every empty cell");
  cmd->callback([options] { options->engine->RefuseOptionsOfOtherEngine(); });
  return [options] { return RunAnalyze(*options); };
}

}  // namespace pentad::cli
