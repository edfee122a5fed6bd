// The decision as JSON, shared by `pentad analyze` and the browser board.
#pragma once

#include <nlohmann/json.hpp>

#include "driver/engine.hpp"
#include "search/strong_engine.hpp"

namespace pentad::analysis {

nlohmann::ordered_json DecisionJson(const Position& position, const Decision& decision);
// The strong engine's search: see docs/strong.md for the fields.
nlohmann::ordered_json StrongJson(const Position& position, const search::SearchLimits& limits,
                                  const search::SearchOutcome& outcome);
nlohmann::ordered_json CellsJson(const Board& evaluated);
nlohmann::ordered_json ThreatsJson(const Board& board);

}  // namespace pentad::analysis
