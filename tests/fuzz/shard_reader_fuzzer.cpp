// libFuzzer target: arbitrary bytes as what `pentad match merge` reads, one
// shard result or a JSON array of several. The merge either refuses them
// with a message or gives a summary whose counts add up; nothing of it
// may throw, overflow or read a number as another.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "match/shard_merge.hpp"
#include "match/summary.hpp"
#include "match/summary_json.hpp"
#include "match/summary_text.hpp"

namespace {

using namespace pentad::match;
using Json = nlohmann::ordered_json;

std::vector<ShardResult> ResultsOf(const Json& parsed) {
  if (!parsed.is_array()) return {{"shard.json", parsed}};
  std::vector<ShardResult> results;
  for (const Json& result : parsed)
    results.push_back({"shard-" + std::to_string(results.size()) + ".json", result});
  return results;
}

void RequireGamesOfTheMatch(const MergedMatch& merged) {
  for (const GameResult& game : merged.games) {
    if (game.number < 1 || game.number > merged.info.games) __builtin_trap();
    for (const MoveTimes& times : game.times)
      if (times.longest > times.total || times.overLimit > times.moves) __builtin_trap();
  }
}

void RequireCountsAddUp(const MatchSummary& summary) {
  if (summary.played > summary.planned || summary.tally.Games() != summary.played) __builtin_trap();
  if (2 * summary.pairs.Pairs() + summary.unpaired != summary.played) __builtin_trap();
  for (const MoveTimes* times : {&summary.timesA, &summary.timesB})
    if (times->moves < 0 || times->total.count() < 0 || times->longest > times->total)
      __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Json parsed = Json::parse(data, data + size, nullptr, false);
  if (parsed.is_discarded()) return 0;
  std::string error;
  auto merged = MergeShards(ResultsOf(parsed), &error);
  if (!merged) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  RequireGamesOfTheMatch(*merged);
  const MatchSummary summary = Summarize(merged->info, merged->games, merged->facts);
  RequireCountsAddUp(summary);
  (void)SummaryText(merged->info, summary);
  (void)JsonText(SummaryJson(merged->info, summary, std::move(merged->gamesJson)));
  return 0;
}
