// Placeholder until the `brain` command is built.
#include <iostream>

#include "cli/commands.hpp"

namespace pentad::cli {

CommandRunner AddBrainCommand(CLI::App& app) {
  app.add_subcommand("brain", "(not built yet)");
  return [] {
    std::cerr << "pentad brain: not available in this build\n";
    return 2;
  };
}

}  // namespace pentad::cli
