#include "match/summary_text.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pentad::match {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Padded(const std::string& text, size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string SignedText(double elo) {
  const std::string text = Fixed(elo, 1);
  if (text == "-0.0" || text == "0.0") return "0.0";
  return text[0] == '-' ? text : "+" + text;
}

std::string EloLine(const std::string& label, const EloEstimate& estimate) {
  std::string line = label + EloText(estimate);
  if (const auto bound = BoundOf(estimate))
    return line + (bound->above ? " (every game won; 95% lower bound)\n"
                                : " (every game lost; 95% upper bound)\n");
  return line + " (95% interval " + SignedText(estimate.low) + " to " + SignedText(estimate.high) +
         ")\n";
}

}  // namespace

std::string EloText(double elo) {
  if (std::isinf(elo)) return elo > 0 ? "+inf" : "-inf";
  return SignedText(elo);
}

std::string EloText(const EloEstimate& estimate) {
  if (const auto bound = BoundOf(estimate))
    return (bound->above ? "> " : "< ") + SignedText(bound->elo);
  return SignedText(estimate.difference);
}

std::string SummaryText(const MatchInfo& info, const MatchSummary& summary) {
  const Tally& t = summary.tally;
  std::string text;
  text += "Games: " + std::to_string(summary.played) + " of " + std::to_string(summary.planned);
  if (summary.interrupted) text += " (interrupted)";
  if (summary.stoppedBySprt) text += " (stopped by the SPRT)";
  text += ", " + Fixed(summary.elapsed.count() / 1000.0, 1) + " s\n";
  if (!info.mergedShards.empty()) {
    text += "Shards:";
    for (size_t i = 0; i < info.mergedShards.size(); ++i)
      text += (i == 0 ? " " : ", ") + std::to_string(info.mergedShards[i]);
    text += " of " + std::to_string(info.shard.count) + " (" + std::to_string(info.games) +
            " games in the match)\n";
  } else if (!info.shard.Whole()) {
    text += "Shard: " + std::to_string(info.shard.index) + "/" + std::to_string(info.shard.count) +
            " (" + std::to_string(info.games) + " games in the match)\n";
  }
  text += "A: " + info.a.name + " (" + KindName(info.a.kind) + ")\n";
  text += "B: " + info.b.name + " (" + KindName(info.b.kind) + ")\n";
  text += "W-D-L for A: " + std::to_string(t.wins) + "-" + std::to_string(t.draws) + "-" +
          std::to_string(t.losses) + "\n";
  text += "Score for A: " + Fixed(t.Points(), 1) + " / " + std::to_string(t.Games()) + " (" +
          Fixed(100 * t.Fraction(), 1) + "%)\n";
  const auto& c = summary.pairs.counts;
  text += "Pairs for A, 0-0.5-1-1.5-2 points: " + std::to_string(c[0]) + "-" +
          std::to_string(c[1]) + "-" + std::to_string(c[2]) + "-" + std::to_string(c[3]) + "-" +
          std::to_string(c[4]);
  if (summary.unpaired > 0)
    text += " (" + std::to_string(summary.unpaired) + (summary.unpaired == 1 ? " game" : " games") +
            " unpaired)";
  text += "\n";
  if (summary.pairs.Pairs() > 0) text += EloLine("Elo difference, pairs:    ", summary.pairElo);
  if (t.Games() > 0) text += EloLine("Elo difference, per game: ", summary.elo);
  const std::string labelA = "  A " + info.a.name;
  const std::string labelB = "  B " + info.b.name;
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
  const auto timeLine = [&](const std::string& label, const MoveTimes& times) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "%9.1f %8lld %11d\n", times.MeanMs(),
                  static_cast<long long>(times.longest.count()), times.overLimit);
    return Padded(label, width) + numbers;
  };
  text += Padded("Move time, ms", width) + "     mean      max  over limit\n";
  text += timeLine(labelA, summary.timesA);
  text += timeLine(labelB, summary.timesB);
  if (summary.sprt) {
    const SprtStatus& s = *summary.sprt;
    text += "SPRT elo0 " + Fixed(info.sprt->elo0, 1) + ", elo1 " + Fixed(info.sprt->elo1, 1) +
            ", pairs: LLR " + Fixed(s.llr, 2) + " (bounds " + Fixed(s.lower, 2) + ", " +
            Fixed(s.upper, 2) + "), " + DecisionName(s.decision) + "\n";
    text += "SPRT per game: LLR " + Fixed(summary.sprtPerGame->llr, 2) + "\n";
  }
  return text;
}

}  // namespace pentad::match
