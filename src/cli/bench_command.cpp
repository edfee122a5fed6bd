// `pentad bench`: every engine's searches and decisions on the built-in
// positions with fixed budgets, each engine's signature on a line of its
// own. A signature depends only on what the engine decides, never on the
// clock.
#include <cstdio>

#include "cli/commands.hpp"
#include "engine/engines.hpp"

namespace pentad::cli {

CommandRunner AddBenchCommand(CLI::App& app) {
  app.add_subcommand("bench",
                     "Run every engine's searches and decisions on the built-in positions and "
                     "print their behaviour signatures and speeds");
  return [] {
    const std::vector<engine::BenchPosition> positions = engine::BenchPositions();
    for (const engine::BenchReport& report : engine::BenchEngines(positions))
      for (const std::string& line : report.lines) std::printf("%s\n", line.c_str());
    return 0;
  };
}

}  // namespace pentad::cli
