#include "match/summary_json.hpp"

#include <cmath>

namespace pentad::match {
namespace {

using Json = nlohmann::ordered_json;

Json Rounded(double value) {
  if (!std::isfinite(value)) return nullptr;
  return std::round(value * 10) / 10 + 0.0;  // no "-0.0"
}

// JSON has no infinity: an infinite figure is null, and "bound" gives the
// finite end that stands in for the difference.
Json EloJson(const EloEstimate& estimate, bool any) {
  if (!any)
    return {{"difference", nullptr}, {"low", nullptr}, {"high", nullptr}, {"bound", nullptr}};
  Json bound = nullptr;
  if (const auto b = BoundOf(estimate))
    bound = {{"side", b->above ? "above" : "below"}, {"elo", Rounded(b->elo)}};
  return {{"difference", Rounded(estimate.difference)},
          {"low", Rounded(estimate.low)},
          {"high", Rounded(estimate.high)},
          {"bound", bound}};
}

Json EngineJson(const EngineSetup& setup) {
  Json json;
  json["name"] = setup.name;
  json["command"] = setup.argv;
  json["kind"] = KindName(setup.kind);
  return json;
}

Json LossesJson(const RuleLosses& losses) {
  return {{"time", losses.time}, {"illegal", losses.illegal}, {"crash", losses.crash}};
}

Json TimesJson(const MoveTimes& times) {
  return {{"moves", times.moves},
          {"mean_ms", std::round(times.MeanMs() * 10) / 10},
          {"max_ms", times.longest.count()},
          {"over_limit", times.overLimit},
          {"total_ms", times.total.count()}};
}

Json SprtJson(const SprtStatus& status) {
  return {{"llr", std::round(status.llr * 1e4) / 1e4},
          {"lower", status.lower},
          {"upper", status.upper},
          {"result", DecisionName(status.decision)}};
}

}  // namespace

Json GameJson(const GameRecord& game) {
  Json json;
  json["number"] = game.number;
  json["x"] = game.aPlaysX ? "a" : "b";
  json["opening"] = game.openingIndex >= 0 ? Json(game.openingIndex + 1) : Json(nullptr);
  json["moves"] = game.moves.size();
  const auto winner = game.Winner();
  if (winner)
    json["winner"] = (*winner == Side::kX) == game.aPlaysX ? "a" : "b";
  else
    json["winner"] = nullptr;
  json["loss"] = LossKindName(game.loss);
  json["reason"] = game.reason;
  json["time_ms"] = {{"x", game.timeUsed[0].count()}, {"o", game.timeUsed[1].count()}};
  json["move_times"] = {{"x", TimesJson(game.times[0])}, {"o", TimesJson(game.times[1])}};
  return json;
}

Json SummaryJson(const MatchInfo& info, const MatchSummary& summary, Json games) {
  const Tally& t = summary.tally;
  Json json;
  json["a"] = EngineJson(info.a);
  json["b"] = EngineJson(info.b);
  json["match"] = {
      {"games", info.games},
      {"move_time_ms", info.time.moveTime.count()},
      {"game_time_ms", info.time.gameTime ? Json(info.time.gameTime->count()) : Json(nullptr)},
      {"start_time_ms", info.time.startTime ? Json(info.time.startTime->count()) : Json(nullptr)},
      {"max_memory", info.time.maxMemory},
      {"openings",
       {{"source", info.openingsSource},
        {"count", info.openingsCount},
        {"digest", info.openingsDigest}}}};
  if (info.mergedShards.empty())
    json["shard"] = {{"index", info.shard.index}, {"count", info.shard.count}};
  else
    json["shards"] = {{"count", info.shard.count}, {"merged", info.mergedShards}};
  json["games_planned"] = summary.planned;
  json["games_played"] = summary.played;
  json["interrupted"] = summary.interrupted;
  json["stopped_by_sprt"] = summary.stoppedBySprt;
  json["elapsed_ms"] = summary.elapsed.count();
  json["wins"] = t.wins;
  json["draws"] = t.draws;
  json["losses"] = t.losses;
  json["score"] = t.Points();
  json["score_fraction"] = t.Fraction();
  json["elo"] = EloJson(summary.elo, t.Games() > 0);
  const int pairCount = summary.pairs.Pairs();
  json["pairs"] = {
      {"counts", summary.pairs.counts},
      {"pairs", pairCount},
      {"unpaired_games", summary.unpaired},
      {"score", summary.pairs.Points()},
      {"score_fraction", pairCount == 0 ? 0.5 : summary.pairs.Points() / (2 * pairCount)},
      {"elo", EloJson(summary.pairElo, pairCount > 0)}};
  json["losses_by_rule"] = {{"a", LossesJson(summary.lossesA)}, {"b", LossesJson(summary.lossesB)}};
  json["move_times"] = {{"a", TimesJson(summary.timesA)}, {"b", TimesJson(summary.timesB)}};
  if (summary.sprt) {
    json["sprt"] = {{"elo0", info.sprt->elo0},
                    {"elo1", info.sprt->elo1},
                    {"alpha", info.sprt->alpha},
                    {"beta", info.sprt->beta}};
    json["sprt"].update(SprtJson(*summary.sprt));
    json["sprt"]["per_game"] = SprtJson(*summary.sprtPerGame);
  }
  json["games"] = std::move(games);
  return json;
}

std::string JsonText(const Json& json) {
  return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace pentad::match
