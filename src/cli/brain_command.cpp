// `pentad brain`: the pipe brain, the same as `pbrain-pentad`.
#include "cli/commands.hpp"
#include "protocol/brain_options.hpp"

namespace pentad::cli {

CommandRunner AddBrainCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "brain", "Run as a pipe brain for a Gomoku manager (as pbrain-pentad; see brain --help)");
  // The brain parses its own arguments, so that no mistake in them can reach
  // standard error, which a manager may read as an answer.
  cmd->prefix_command();
  cmd->set_help_flag();
  return [cmd] { return protocol::RunBrainCommandLine("pentad brain", cmd->remaining()); };
}

}  // namespace pentad::cli
