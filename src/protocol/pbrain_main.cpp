// `pbrain-pentad` and `pbrain-pentad-classic`: Pentad as a pipe brain, the
// way Gomoku managers start their engines. Managers start a brain without
// arguments, so each engine gets a program of its own; the build makes the
// classic one from this file with PENTAD_BRAIN_CLASSIC.
#include <string>
#include <vector>

#include "protocol/brain_options.hpp"

#ifdef PENTAD_BRAIN_CLASSIC
constexpr const char* kProgramName = "pbrain-pentad-classic";
constexpr pentad::engine::EngineKind kDefaultEngine = pentad::engine::EngineKind::kClassic;
#else
constexpr const char* kProgramName = "pbrain-pentad";
constexpr pentad::engine::EngineKind kDefaultEngine = pentad::engine::EngineKind::kStrong;
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return pentad::protocol::RunBrainCommandLine(kProgramName, args, kDefaultEngine);
}
