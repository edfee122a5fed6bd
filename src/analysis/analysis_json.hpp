// The decision as JSON, shared by `pentad analyze` and the browser board.
#pragma once

#include <nlohmann/json.hpp>

#include "classic/decision/decision.hpp"
#include "strong/strong_engine.hpp"

namespace pentad::analysis {

nlohmann::ordered_json DecisionJson(const Position& position, const classic::Decision& decision);
// The strong engine's search: see docs/strong.md for the fields.
nlohmann::ordered_json StrongJson(const Position& position, const strong::SearchLimits& limits,
                                  const strong::SearchOutcome& outcome);
nlohmann::ordered_json CellsJson(const classic::Board& evaluated);
nlohmann::ordered_json ThreatsJson(const classic::Board& board);

}  // namespace pentad::analysis
