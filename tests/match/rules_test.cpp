#include "match/rules.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace pentad::match {
namespace {

struct Line {
  const char* name;
  std::vector<Point> stones;  // of one side
  bool five;
};

TEST(MatchRules, FiveOrMoreInAnyDirectionWins) {
  const Line lines[] = {
      {"horizontal", {{3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}}, true},
      {"vertical", {{9, 0}, {9, 1}, {9, 2}, {9, 3}, {9, 4}}, true},
      {"diagonal", {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}}, true},
      {"anti-diagonal", {{10, 4}, {9, 5}, {8, 6}, {7, 7}, {6, 8}}, true},
      {"left edge", {{0, 10}, {0, 11}, {0, 12}, {0, 13}, {0, 14}}, true},
      {"right edge", {{15, 19}, {16, 19}, {17, 19}, {18, 19}, {19, 19}}, true},
      {"corner diagonal", {{15, 15}, {16, 16}, {17, 17}, {18, 18}, {19, 19}}, true},
      {"corner anti-diagonal", {{19, 0}, {18, 1}, {17, 2}, {16, 3}, {15, 4}}, true},
      {"overline of six", {{4, 4}, {5, 4}, {6, 4}, {7, 4}, {8, 4}, {9, 4}}, true},
      {"overline of seven", {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}}, true},
      {"four", {{4, 4}, {5, 4}, {6, 4}, {7, 4}}, false},
      {"broken five", {{4, 4}, {5, 4}, {6, 4}, {8, 4}, {9, 4}}, false},
      {"no wrap over the edge", {{17, 3}, {18, 3}, {19, 3}, {0, 4}, {1, 4}}, false},
      {"bent line", {{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 7}}, false},
  };
  for (const Line& line : lines) {
    // Each stone of the line in turn as the last one played.
    for (size_t last = 0; last < line.stones.size(); ++last) {
      SCOPED_TRACE(testing::Message() << line.name << ", last stone " << last);
      GameBoard board;
      for (size_t i = 0; i < line.stones.size(); ++i)
        if (i != last) board.Place(line.stones[i], Side::kO);
      board.Place(line.stones[last], Side::kO);
      EXPECT_EQ(board.MakesFive(line.stones[last]), line.five);
    }
  }
}

TEST(MatchRules, StonesOfTheOtherSideBreakTheLine) {
  GameBoard board;
  for (int x : {2, 3, 5, 6}) board.Place({x, 9}, Side::kX);
  board.Place({4, 9}, Side::kO);
  EXPECT_FALSE(board.MakesFive({4, 9}));
  EXPECT_FALSE(board.MakesFive({6, 9}));
  board.Place({7, 9}, Side::kX);
  EXPECT_FALSE(board.MakesFive({7, 9}));
  board.Place({8, 9}, Side::kX);
  EXPECT_FALSE(board.MakesFive({8, 9}));
  board.Place({9, 9}, Side::kX);
  EXPECT_TRUE(board.MakesFive({9, 9}));
}

TEST(MatchRules, PositionTextIsTwentyLinesOfTwentyWithCrLf) {
  GameBoard board;
  board.Place({0, 0}, Side::kX);
  board.Place({19, 0}, Side::kO);
  board.Place({3, 19}, Side::kX);
  const std::string text = board.PositionText();
  ASSERT_EQ(text.size(), 20u * 22u);
  EXPECT_EQ(text.substr(0, 22), "x------------------o\r\n");
  EXPECT_EQ(text.substr(19 * 22, 22), "---x----------------\r\n");
  EXPECT_EQ(board.Stones(), 3);
}

TEST(MatchRules, ParsesMovesStrictly) {
  struct Case {
    const char* text;
    std::optional<Point> point;
  };
  const Case cases[] = {
      {"3,4", Point{3, 4}},     {" 19 , 0 \r", Point{19, 0}}, {"20,3", Point{20, 3}},
      {"-1,5", Point{-1, 5}},   {"3 4", std::nullopt},        {"3,4,1", std::nullopt},
      {"x,y", std::nullopt},    {"", std::nullopt},           {"3,", std::nullopt},
      {"3,4 ok", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParsePoint(c.text), c.point);
  }
}

}  // namespace
}  // namespace pentad::match
