// A decision as JSON, shared by `pentad analyze` and the browser board.
#pragma once

#include <nlohmann/json.hpp>

#include "engine/engines.hpp"

namespace pentad::analysis {

// The classic engine's decision in the fields a turn's analysis has always
// had, with "cells" and "threats" when they were asked for; any other
// engine's as {"engine", "stones", "side", "moveTimeMs", "nodeLimit", "move",
// "eval", "result", "winRate", "depth", "nodes", "pv", "elapsedMs"}
// (docs/strong.md).
nlohmann::ordered_json ResultJson(const engine::Request& request, const engine::Result& result);

// One of a search's best lines as {"move", "eval", "result", "winRate",
// "pv"}, with the fields of ResultJson's meaning.
nlohmann::ordered_json PvLineJson(const engine::PvLine& line);

}  // namespace pentad::analysis
