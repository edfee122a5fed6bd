#include "match/openings.hpp"

#include <gtest/gtest.h>

namespace pentad::match {
namespace {

TEST(MatchOpenings, OffsetsFromTheCentreInFileOrder) {
  std::string error;
  const auto openings = ParseOpenings("0,0, 1,0\r\n\n# a comment\n-1,-1,0,1, 2,-3\n", &error);
  ASSERT_TRUE(openings) << error;
  ASSERT_EQ(openings->size(), 2u);
  EXPECT_EQ((*openings)[0], (Opening{{10, 10}, {11, 10}}));
  EXPECT_EQ((*openings)[1], (Opening{{9, 9}, {10, 11}, {12, 7}}));
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
      {"0,0, 1,1, 0,0\n", "line 1: move 3 is onto an earlier one"},
      {"0,0, a,1\n", "line 1: expected numbers separated by commas"},
      {"0,0;1,1\n", "line 1: expected numbers separated by commas"},
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
