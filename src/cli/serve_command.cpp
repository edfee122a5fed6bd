// `pentad serve`: hands over to `pentad-serve`, the browser board's own
// program beside this one, so that `pentad` itself never loads the HTTP
// library a manager's every turn would pay for.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "common/position_files.hpp"

namespace pentad::cli {

namespace {

int HandOverToServer(const std::vector<std::string>& args) {
  const std::string server = (ExecutableDirectory() / "pentad-serve").string();
  std::vector<std::string> argv = {"pentad serve"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  std::cout.flush();
  execv(server.c_str(), pointers.data());
  std::cerr << "pentad serve: cannot start " << server << ": " << std::strerror(errno)
            << " (pentad-serve belongs beside pentad)\n";
  return 1;
}

}  // namespace

CommandRunner AddServeCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "serve",
      "Play against the engine and see its analysis in a browser (a local web page);\n"
      "`pentad serve --help` lists its options");
  // Everything after "serve" belongs to the server program, --help included.
  cmd->set_help_flag();
  cmd->prefix_command();
  return [cmd] { return HandOverToServer(cmd->remaining()); };
}

}  // namespace pentad::cli
