// The subcommands of `pentad`. Each registers itself on the app and runs
// when chosen; the return value is the exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace pentad::cli {

using CommandRunner = std::function<int()>;

// Each Add* adds one subcommand and returns what runs it.
CommandRunner AddAnalyzeCommand(CLI::App& app);
CommandRunner AddBenchCommand(CLI::App& app);
CommandRunner AddBookCommand(CLI::App& app);
CommandRunner AddMatchCommand(CLI::App& app);
CommandRunner AddBrainCommand(CLI::App& app);
CommandRunner AddServeCommand(CLI::App& app);

}  // namespace pentad::cli
