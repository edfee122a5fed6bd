// One turn of the file exchange: read the position, decide, write the move.
#pragma once

#include <filesystem>

#include "classic/threats/time_budget.hpp"

namespace pentad::classic {

// Never throws and never prints: a manager only looks at the side file.
void RunTurn(const std::filesystem::path& dir, TimeBudget::Clock::time_point start);

}  // namespace pentad::classic
