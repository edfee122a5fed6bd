#include "match/openings.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace pentad::match {
namespace {

TEST(MatchOpenings, OffsetsOrMovesInFileOrder) {
  std::string error;
  const auto openings = ParseOpenings(
      "0,0, 1,0\r\n\n# a comment\n-1,-1,0,1, 2,-3  # trailing\nk11l11\n  j10 K12, l12\na1 t20\n",
      &error);
  ASSERT_TRUE(openings) << error;
  ASSERT_EQ(openings->size(), 5u);
  EXPECT_EQ((*openings)[0], (Opening{{10, 10}, {11, 10}}));
  EXPECT_EQ((*openings)[1], (Opening{{9, 9}, {10, 11}, {12, 7}}));
  EXPECT_EQ((*openings)[2], (*openings)[0]);
  EXPECT_EQ((*openings)[3], (Opening{{9, 9}, {10, 11}, {11, 11}}));
  EXPECT_EQ((*openings)[4], (Opening{{0, 0}, {19, 19}}));
}

TEST(MatchOpenings, BuiltInSetIsBalancedInSize) {
  const std::vector<Opening>& openings = DefaultOpenings();
  EXPECT_GE(openings.size(), 60u);
  std::set<std::vector<std::pair<int, int>>> distinct;
  for (const Opening& opening : openings) {
    EXPECT_GE(opening.size(), 2u);
    EXPECT_LE(opening.size(), 4u);
    std::vector<std::pair<int, int>> stones;
    for (const Point p : opening) {
      EXPECT_LE(std::abs(p.x - kCentre.x), 3);
      EXPECT_LE(std::abs(p.y - kCentre.y), 3);
      stones.emplace_back(p.x, p.y);
    }
    distinct.insert(stones);
  }
  EXPECT_EQ(distinct.size(), openings.size());
}

TEST(MatchOpenings, RejectsMalformedLinesNamingThem) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"0,0, 1\n", "line 1: odd count of numbers"},
      {"0,0\n0,0, 10,0\n", "line 2: move 2 is off the board"},
      {"0,0, -11,0\n", "line 1: move 2 is off the board"},
      {"0,0, 2147483647,-2147483648\n", "line 1: move 2 is off the board"},
      {"0,0, 1,1, 0,0\n", "line 1: move 3 is onto an earlier one"},
      {"0,0, a,1\n", "line 1: expected numbers separated by commas"},
      {"0,0;1,1\n", "line 1: expected numbers separated by commas"},
      {"k11 l\n", "line 1: expected moves as letter and number, like h8i9"},
      {"k11 11\n", "line 1: expected moves as letter and number, like h8i9"},
      {"k11 u3\n", "line 1: move 2 is off the board"},
      {"k11 k21\n", "line 1: move 2 is off the board"},
      {"k11 k11\n", "line 1: move 2 is onto an earlier one"},
      {"0,0,0,5,1,0,0,6,2,0,0,7,3,0,0,8,4,0\n", "line 1: move 9 makes five in a row"},
      {"\n# nothing\n", "no openings"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(ParseOpenings(c.text, &error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(MatchOpenings, EachOpeningFromBothSidesThenTheNext) {
  struct Expected {
    bool aPlaysX;
    int opening;
  };
  const Expected withThree[] = {{true, 0}, {false, 0}, {true, 1}, {false, 1},
                                {true, 2}, {false, 2}, {true, 0}, {false, 0}};
  for (int i = 0; i < 8; ++i) {
    const GameSchedule s = ScheduleOf(i, 3);
    EXPECT_EQ(s.aPlaysX, withThree[i].aPlaysX) << i;
    EXPECT_EQ(s.openingIndex, withThree[i].opening) << i;
  }
  EXPECT_EQ(ScheduleOf(5, 0).openingIndex, -1);
  EXPECT_FALSE(ScheduleOf(5, 0).aPlaysX);
}

}  // namespace
}  // namespace pentad::match
