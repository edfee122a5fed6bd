// The decision as JSON, shared by `pentad analyze` and the browser board.
#pragma once

#include <nlohmann/json.hpp>

#include "driver/engine.hpp"

namespace pentad::analysis {

nlohmann::ordered_json DecisionJson(const Position& position, const Decision& decision);
nlohmann::ordered_json CellsJson(const Board& evaluated);
nlohmann::ordered_json ThreatsJson(const Board& board);

}  // namespace pentad::analysis
