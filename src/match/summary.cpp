#include "match/summary.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pentad::match {
namespace {

void CountLoss(const GameRecord& game, MatchSummary& summary) {
  const auto loser = game.Loser();
  if (!loser) return;
  const bool aLost = (*loser == Side::kX) == game.aPlaysX;
  RuleLosses& losses = aLost ? summary.lossesA : summary.lossesB;
  if (game.loss == LossKind::kTime) ++losses.time;
  if (game.loss == LossKind::kIllegal) ++losses.illegal;
  if (game.loss == LossKind::kCrash) ++losses.crash;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

nlohmann::ordered_json FiniteOrNull(double value) {
  if (!std::isfinite(value)) return nullptr;
  return std::round(value * 10) / 10;
}

nlohmann::ordered_json EngineJson(const EngineSetup& setup) {
  nlohmann::ordered_json json;
  json["name"] = setup.name;
  json["command"] = setup.argv;
  json["kind"] = KindName(setup.kind);
  return json;
}

nlohmann::ordered_json LossesJson(const RuleLosses& losses) {
  return {{"time", losses.time}, {"illegal", losses.illegal}, {"crash", losses.crash}};
}

nlohmann::ordered_json GameJson(const GameRecord& game) {
  nlohmann::ordered_json json;
  json["number"] = game.number;
  json["x"] = game.aPlaysX ? "a" : "b";
  json["opening"] = game.openingIndex >= 0 ? nlohmann::ordered_json(game.openingIndex + 1)
                                           : nlohmann::ordered_json(nullptr);
  json["moves"] = game.moves.size();
  const auto winner = game.Winner();
  if (winner)
    json["winner"] = (*winner == Side::kX) == game.aPlaysX ? "a" : "b";
  else
    json["winner"] = nullptr;
  json["loss"] = LossKindName(game.loss);
  json["reason"] = game.reason;
  json["time_ms"] = {{"x", game.timeUsed[0].count()}, {"o", game.timeUsed[1].count()}};
  return json;
}

}  // namespace

std::string EloText(double elo) {
  if (std::isinf(elo)) return elo > 0 ? "+inf" : "-inf";
  const std::string text = Fixed(elo, 1);
  if (text == "-0.0" || text == "0.0") return "0.0";
  return text[0] == '-' ? text : "+" + text;
}

MatchSummary Summarize(const MatchSettings& settings, const MatchOutcome& outcome) {
  MatchSummary summary;
  summary.planned = settings.games;
  summary.played = static_cast<int>(outcome.games.size());
  summary.interrupted = outcome.interrupted;
  summary.stoppedBySprt = outcome.stoppedBySprt;
  summary.tally = TallyOf(outcome.games);
  summary.elo = EstimateElo(summary.tally);
  for (const GameRecord& game : outcome.games) CountLoss(game, summary);
  summary.hypotheses = settings.sprt;
  if (settings.sprt) summary.sprt = EvaluateSprt(summary.tally, *settings.sprt);
  summary.elapsed = outcome.elapsed;
  return summary;
}

std::string SummaryText(const MatchSettings& settings, const MatchSummary& summary) {
  const Tally& t = summary.tally;
  std::string text;
  text += "Games: " + std::to_string(summary.played) + " of " + std::to_string(summary.planned);
  if (summary.interrupted) text += " (interrupted)";
  if (summary.stoppedBySprt) text += " (stopped by the SPRT)";
  text += ", " + Fixed(summary.elapsed.count() / 1000.0, 1) + " s\n";
  text += "A: " + settings.a.name + " (" + KindName(settings.a.kind) + ")\n";
  text += "B: " + settings.b.name + " (" + KindName(settings.b.kind) + ")\n";
  text += "W-D-L for A: " + std::to_string(t.wins) + "-" + std::to_string(t.draws) + "-" +
          std::to_string(t.losses) + "\n";
  text += "Score for A: " + Fixed(t.Points(), 1) + " / " + std::to_string(t.Games()) + " (" +
          Fixed(100 * t.Fraction(), 1) + "%)\n";
  if (t.Games() > 0)
    text += "Elo difference: " + EloText(summary.elo.difference) + " (95% interval " +
            EloText(summary.elo.low) + " to " + EloText(summary.elo.high) + ")\n";
  const std::string labelA = "  A " + settings.a.name;
  const std::string labelB = "  B " + settings.b.name;
  const size_t width = std::max<size_t>({16, labelA.size(), labelB.size()}) + 2;
  const auto lossLine = [&](const std::string& label, const RuleLosses& losses) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%4d %8d %6d\n", losses.time, losses.illegal,
                  losses.crash);
    return Padded(label, width) + numbers;
  };
  text += Padded("Losses by rule", width) + "time  illegal  crash\n";
  text += lossLine(labelA, summary.lossesA);
  text += lossLine(labelB, summary.lossesB);
  if (summary.sprt) {
    const SprtStatus& s = *summary.sprt;
    text += "SPRT elo0 " + Fixed(summary.hypotheses->elo0, 1) + ", elo1 " +
            Fixed(summary.hypotheses->elo1, 1) + ": LLR " + Fixed(s.llr, 2) + " (bounds " +
            Fixed(s.lower, 2) + ", " + Fixed(s.upper, 2) + "), " + DecisionName(s.decision) + "\n";
  }
  return text;
}

nlohmann::ordered_json SummaryJson(const MatchSettings& settings, const MatchOutcome& outcome,
                                   const MatchSummary& summary) {
  const Tally& t = summary.tally;
  nlohmann::ordered_json json;
  json["a"] = EngineJson(settings.a);
  json["b"] = EngineJson(settings.b);
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
  const auto eloFigure = [&](double value) {
    return t.Games() == 0 ? nlohmann::ordered_json(nullptr) : FiniteOrNull(value);
  };
  json["elo"] = {{"difference", eloFigure(summary.elo.difference)},
                 {"low", eloFigure(summary.elo.low)},
                 {"high", eloFigure(summary.elo.high)}};
  json["losses_by_rule"] = {{"a", LossesJson(summary.lossesA)}, {"b", LossesJson(summary.lossesB)}};
  if (summary.sprt) {
    json["sprt"] = {
        {"elo0", summary.hypotheses->elo0},   {"elo1", summary.hypotheses->elo1},
        {"alpha", summary.hypotheses->alpha}, {"beta", summary.hypotheses->beta},
        {"llr", summary.sprt->llr},           {"lower", summary.sprt->lower},
        {"upper", summary.sprt->upper},       {"result", DecisionName(summary.sprt->decision)}};
  }
  nlohmann::ordered_json games = nlohmann::ordered_json::array();
  for (const GameRecord& game : outcome.games) games.push_back(GameJson(game));
  json["games"] = std::move(games);
  return json;
}

std::string SummaryJsonText(const MatchSettings& settings, const MatchOutcome& outcome,
                            const MatchSummary& summary) {
  return SummaryJson(settings, outcome, summary)
      .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace pentad::match
