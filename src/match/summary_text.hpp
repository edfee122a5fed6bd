// A match's summary in words, as `pentad match` prints it.
#pragma once

#include <string>

#include "match/summary.hpp"

namespace pentad::match {

std::string SummaryText(const MatchInfo& info, const MatchSummary& summary);

// "+190.8", "-3.3", "0.0"; for an infinite difference the bound that
// stands in for it, "> +77.6" or "< -77.6".
std::string EloText(double elo);
std::string EloText(const EloEstimate& estimate);

}  // namespace pentad::match
