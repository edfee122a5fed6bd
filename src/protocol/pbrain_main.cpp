// `pbrain-pentad`: the engine as a pipe brain, the way Gomoku managers start
// their engines.
#include <string>
#include <vector>

#include "protocol/brain_options.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return pentad::protocol::RunBrainCommandLine("pbrain-pentad", args);
}
