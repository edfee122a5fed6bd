// Placeholder until the `book` command is built.
#include <iostream>

#include "cli/commands.hpp"

namespace pentad::cli {

CommandRunner AddBookCommand(CLI::App& app) {
  app.add_subcommand("book", "(not built yet)");
  return [] {
    std::cerr << "pentad book: not available in this build\n";
    return 2;
  };
}

}  // namespace pentad::cli
