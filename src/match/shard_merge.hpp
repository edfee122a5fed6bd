// `pentad match merge`: the JSON results of a match's shards read back as
// the summary of the whole match, refusing whatever no run could write.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "match/summary.hpp"

namespace pentad::match {

// Shard results (SummaryJson of runs with --shard) as one match: the same
// figures as one run of all their games. nullopt and `error`, naming the
// result, when they are not distinct shards of one match.
struct ShardResult {
  std::string name;  // for messages: the file it came from
  nlohmann::ordered_json json;
};
struct MergedMatch {
  MatchInfo info;
  std::vector<GameResult> games;  // by number
  nlohmann::ordered_json gamesJson;
  RunFacts facts;
};
std::optional<MergedMatch> MergeShards(const std::vector<ShardResult>& results, std::string* error);

}  // namespace pentad::match
