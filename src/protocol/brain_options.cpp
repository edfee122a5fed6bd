#include "protocol/brain_options.hpp"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <system_error>

#include "common/position_files.hpp"

namespace pentad::protocol {

namespace {

constexpr const char* kDescription =
    "Pentad as a pipe brain: reads a Gomoku manager's commands (START, BEGIN, TURN, BOARD,\n"
    "INFO, TAKEBACK, END, ...) from standard input and answers on standard output.";

struct BrainArguments {
  std::string engine;
  std::optional<int64_t> nodes;
  std::optional<uint32_t> seed;
  std::optional<int64_t> checks;
  std::optional<std::string> bookDir;
};

void AddBrainOptions(CLI::App& app, BrainArguments& args) {
  app.add_option("--engine", args.engine, "The engine that plays: classic or strong")
      ->check(CLI::IsMember({"classic", "strong"}))
      ->capture_default_str();
  app.add_option("--nodes", args.nodes,
                 "Strong engine: a budget of N nodes per move instead of the clock (overrides "
                 "INFO max_node)")
      ->check(CLI::Range(int64_t{1}, INT64_MAX));
  app.add_option("--seed", args.seed,
                 "Seed of the random generator for every move (default: the time of day)")
      ->check(CLI::Range(0LL, 4294967295LL));
  app.add_option("--checks", args.checks,
                 "Classic engine: a budget of N time checks per move instead of the clock "
                 "(overrides INFO max_node)")
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
  app.add_option("--book-dir", args.bookDir,
                 "Directory of the book files and \"LEARN.ini\" (default: the executable's)")
      ->check(CLI::ExistingDirectory);
}

BrainOptions ToOptions(const BrainArguments& args) {
  BrainOptions options;
  options.engine = EngineNamed(args.engine).value_or(EngineKind::kClassic);
  options.nodes = args.nodes;
  options.seed = args.seed;
  options.checks = args.checks;
  // Managers start brains in a working directory of their own: without
  // --book-dir the book is the one beside the executable.
  options.dataDir = args.bookDir ? std::filesystem::path(*args.bookDir) : ExecutableDirectory();
  return options;
}

}  // namespace

int RunBrainCommandLine(const std::string& programName, const std::vector<std::string>& args,
                        EngineKind defaultEngine) {
  CLI::App app{kDescription, programName};
  BrainArguments parsed;
  parsed.engine = EngineName(defaultEngine);
  AddBrainOptions(app, parsed);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help() << std::flush;
    return 0;
  } catch (const CLI::ParseError& e) {
    std::cout << "ERROR " << e.what() << "\r\n" << std::flush;
    return 2;
  }
  return RunBrain(ToOptions(parsed), STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace pentad::protocol
