// A match's summary and its games as JSON: `pentad match --json`, and what
// a shard hands `pentad match merge`.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "match/summary.hpp"

namespace pentad::match {

nlohmann::ordered_json GameJson(const GameRecord& game);

// `games`: the list of GameJson objects, by number.
nlohmann::ordered_json SummaryJson(const MatchInfo& info, const MatchSummary& summary,
                                   nlohmann::ordered_json games);

// The JSON summary as printed. A command line or name that is not UTF-8
// comes out with U+FFFD instead of ending the report with an exception.
std::string JsonText(const nlohmann::ordered_json& json);

}  // namespace pentad::match
