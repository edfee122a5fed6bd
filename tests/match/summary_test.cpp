#include "match/summary.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace pentad::match {
namespace {

TEST(MatchSummary, EloFiguresCarryTheirSign) {
  struct Case {
    double elo;
    const char* text;
  };
  for (const Case c : {Case{190.8485, "+190.8"}, Case{-3.26, "-3.3"}, Case{-0.0, "0.0"},
                       Case{-0.04, "0.0"}, Case{INFINITY, "+inf"}, Case{-INFINITY, "-inf"}})
    EXPECT_EQ(EloText(c.elo), c.text) << c.elo;
}

}  // namespace
}  // namespace pentad::match
