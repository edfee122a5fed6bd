#include "protocol/brain_options.hpp"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <system_error>

namespace pentad::protocol {

std::filesystem::path ExecutableDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  const auto here = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : here;
}

namespace {

constexpr const char* kDescription =
    "Pentad as a pipe brain: reads a Gomoku manager's commands (START, BEGIN, TURN, BOARD,\n"
    "INFO, TAKEBACK, END, ...) from standard input and answers on standard output.";

struct BrainArguments {
  std::optional<uint32_t> seed;
  std::optional<int64_t> checks;
  std::optional<std::string> bookDir;
};

void AddBrainOptions(CLI::App& app, BrainArguments& args) {
  app.add_option("--seed", args.seed,
                 "Seed of the random generator for every move (default: the time of day)")
      ->check(CLI::Range(0LL, 4294967295LL));
  app.add_option("--checks", args.checks,
                 "Budget of N time checks per move instead of the clock (overrides INFO "
                 "max_node)")
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
  app.add_option("--book-dir", args.bookDir,
                 "Directory of the book files and \"LEARN.ini\" (default: the executable's)")
      ->check(CLI::ExistingDirectory);
}

BrainOptions ToOptions(const BrainArguments& args) {
  BrainOptions options;
  options.seed = args.seed;
  options.checks = args.checks;
  options.dataDir = args.bookDir ? std::filesystem::path(*args.bookDir) : ExecutableDirectory();
  return options;
}

}  // namespace

int RunBrainCommandLine(const std::string& programName, const std::vector<std::string>& args) {
  CLI::App app{kDescription, programName};
  BrainArguments parsed;
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
