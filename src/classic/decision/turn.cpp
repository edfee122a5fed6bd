#include "classic/decision/turn.hpp"

#include "classic/decision/decision.hpp"
#include "common/position_files.hpp"

namespace pentad::classic {

void RunTurn(const std::filesystem::path& dir, TimeBudget::Clock::time_point start) {
  try {
    std::filesystem::path sideFile;
    const auto position = ReadPosition(dir, &sideFile);
    if (!position) return;
    DecisionSettings settings;
    settings.start = start;
    settings.dataDir = dir;
    const Decision decision = Decide(*position, settings);
    WriteMove(sideFile, decision.x, decision.y);
  } catch (...) {
    // The turn has no way to report; the manager sees the side file unchanged.
  }
}

}  // namespace pentad::classic
