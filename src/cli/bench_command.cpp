// Placeholder until the `bench` command is built.
#include <iostream>

#include "cli/commands.hpp"

namespace pentad::cli {

CommandRunner AddBenchCommand(CLI::App& app) {
  app.add_subcommand("bench", "(not built yet)");
  return [] {
    std::cerr << "pentad bench: not available in this build\n";
    return 2;
  };
}

}  // namespace pentad::cli
