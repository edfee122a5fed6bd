#include "protocol/brain_options.hpp"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "common/position_files.hpp"
#include "common/version.hpp"
#include "options/engine_options.hpp"

namespace pentad::protocol {

namespace {

constexpr const char* kDescription =
    "Pentad as a pipe brain: reads a Gomoku manager's commands (START, BEGIN, TURN, BOARD,\n"
    "INFO, TAKEBACK, END, ...) from standard input and answers on standard output.";

BrainOptions ToOptions(const options::EngineCommandLine& commandLine) {
  BrainOptions options;
  options.engine = commandLine.Options();
  // Managers start brains in a working directory of their own: without
  // --book-dir the classic engine's book is the one beside the executable.
  if (!options.engine.bookDir) options.engine.bookDir = ExecutableDirectory();
  return options;
}

}  // namespace

int RunBrainCommandLine(const std::string& programName, const std::vector<std::string>& args,
                        engine::EngineKind defaultEngine) {
  CLI::App app{kDescription, programName};
  options::EngineCommandLine engine(app, defaultEngine);
  engine.AddBookDir();
  app.callback([&engine] { engine.RefuseOptionsOfOtherEngine(); });
  app.set_version_flag("--version", VersionLine(programName), "Print the version and exit");
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help() << std::flush;
    return 0;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n" << std::flush;
    return 0;
  } catch (const CLI::ParseError& e) {
    std::cout << "ERROR " << e.what() << "\r\n" << std::flush;
    return 2;
  }
  return RunBrain(ToOptions(engine), STDIN_FILENO, STDOUT_FILENO);
}

}  // namespace pentad::protocol
