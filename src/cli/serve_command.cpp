// Placeholder until the `serve` command is built.
#include <iostream>

#include "cli/commands.hpp"

namespace pentad::cli {

CommandRunner AddServeCommand(CLI::App& app) {
  app.add_subcommand("serve", "(not built yet)");
  return [] {
    std::cerr << "pentad serve: not available in this build\n";
    return 2;
  };
}

}  // namespace pentad::cli
