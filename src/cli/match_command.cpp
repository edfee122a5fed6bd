// Placeholder until the `match` command is built.
#include <iostream>

#include "cli/commands.hpp"

namespace pentad::cli {

CommandRunner AddMatchCommand(CLI::App& app) {
  app.add_subcommand("match", "(not built yet)");
  return [] {
    std::cerr << "pentad match: not available in this build\n";
    return 2;
  };
}

}  // namespace pentad::cli
