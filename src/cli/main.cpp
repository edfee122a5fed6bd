// `pentad`: with no arguments, one turn of the file exchange in the current
// directory; with a subcommand, one of the tools around the engine.
#include <iostream>
#include <utility>
#include <vector>

#include "cli/commands.hpp"
#include "common/version.hpp"
#include "engine/engines.hpp"

int main(int argc, char** argv) {
  const auto start = pentad::engine::Clock::now();
  if (argc <= 1) {
    pentad::engine::RunFileTurn(".", start);
    return 0;
  }
  CLI::App app{
      "Pentad, a Gomoku engine for the 20 x 20 board (five or more in a row wins).\n"
      "Without arguments it plays one turn: it reads \"Plocha.dat\" and \"Tah.dat\" in the\n"
      "current directory and writes its move into \"Tah.dat\".",
      "pentad"};
  app.set_version_flag("--version", pentad::VersionLine("pentad"), "Print the version and exit");
  app.require_subcommand(1);
  std::vector<std::pair<CLI::App*, pentad::cli::CommandRunner>> commands;
  const auto add = [&](auto adder) {
    const size_t before = app.get_subcommands({}).size();
    auto runner = adder(app);
    commands.emplace_back(app.get_subcommands({}).at(before), std::move(runner));
  };
  add(pentad::cli::AddAnalyzeCommand);
  add(pentad::cli::AddBenchCommand);
  add(pentad::cli::AddBookCommand);
  add(pentad::cli::AddMatchCommand);
  add(pentad::cli::AddBrainCommand);
  add(pentad::cli::AddServeCommand);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }
  for (auto& [command, runner] : commands)
    if (command->parsed()) return runner();
  return 2;
}
