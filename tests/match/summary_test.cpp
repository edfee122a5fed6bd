#include "match/summary.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "match/summary_text.hpp"

namespace pentad::match {
namespace {

TEST(MatchSummary, EloFiguresCarryTheirSignAndBound) {
  struct Case {
    EloEstimate elo;
    const char* text;
  };
  for (const Case c : {Case{{190.8485, 100, 300}, "+190.8"}, Case{{-3.26, -50, 40}, "-3.3"},
                       Case{{-0.04, -9, 9}, "0.0"}, Case{{INFINITY, 77.46, INFINITY}, "> +77.5"},
                       Case{{-INFINITY, -INFINITY, -42.95}, "< -43.0"}})
    EXPECT_EQ(EloText(c.elo), c.text) << c.elo.difference;
}

}  // namespace
}  // namespace pentad::match
