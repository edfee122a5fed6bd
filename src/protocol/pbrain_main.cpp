// `pbrain-pentad` and `pbrain-pentad-strong`: the engine as a pipe brain, the
// way Gomoku managers start their engines. Managers start a brain without
// arguments, so each engine gets a program of its own; the build makes the
// strong one from this file with PENTAD_BRAIN_STRONG.
#include <string>
#include <vector>

#include "protocol/brain_options.hpp"

#ifdef PENTAD_BRAIN_STRONG
constexpr const char* kProgramName = "pbrain-pentad-strong";
constexpr pentad::EngineKind kDefaultEngine = pentad::EngineKind::kStrong;
#else
constexpr const char* kProgramName = "pbrain-pentad";
constexpr pentad::EngineKind kDefaultEngine = pentad::EngineKind::kClassic;
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return pentad::protocol::RunBrainCommandLine(kProgramName, args, kDefaultEngine);
}
