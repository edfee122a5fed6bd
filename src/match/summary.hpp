// The end of a match in words and as JSON: A's wins, draws and losses,
// score, Elo difference, losses by rule per engine, the SPRT's standing.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "match/runner.hpp"
#include "match/stats.hpp"

namespace pentad::match {

struct RuleLosses {
  int time = 0;
  int illegal = 0;  // off the board, onto a stone, unparsable or missing
  int crash = 0;    // crashed, exited, ended with a non-zero status, never started
};

struct MatchSummary {
  int planned = 0;
  int played = 0;
  bool interrupted = false;
  bool stoppedBySprt = false;
  Tally tally;
  EloEstimate elo;
  RuleLosses lossesA;
  RuleLosses lossesB;
  std::optional<SprtHypotheses> hypotheses;
  std::optional<SprtStatus> sprt;
  std::chrono::milliseconds elapsed{0};
};

MatchSummary Summarize(const MatchSettings& settings, const MatchOutcome& outcome);

std::string SummaryText(const MatchSettings& settings, const MatchSummary& summary);

nlohmann::ordered_json SummaryJson(const MatchSettings& settings, const MatchOutcome& outcome,
                                   const MatchSummary& summary);

// The JSON summary as printed. A command line or name that is not UTF-8
// comes out with U+FFFD instead of ending the report with an exception.
std::string SummaryJsonText(const MatchSettings& settings, const MatchOutcome& outcome,
                            const MatchSummary& summary);

// "+190.8", "-inf", "+inf".
std::string EloText(double elo);

}  // namespace pentad::match
