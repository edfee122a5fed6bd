#include "strong/line_patterns.hpp"

#include <gtest/gtest.h>

#include <string>

namespace pentad::strong {
namespace {

// A window as 9 characters from offset -4 to +4, the centre '*' being the
// cell played: 'x' and 'o' stones, '-' empty, '#' off the board.
uint16_t KeyOf(const std::string& window) {
  uint16_t key = 0;
  for (int offset = -kWindowReach; offset <= kWindowReach; ++offset) {
    const char c = window[offset + kWindowReach];
    if (offset == 0) continue;
    const uint8_t code = c == 'x' ? kPlayerX : c == 'o' ? kPlayerO : c == '#' ? kOffBoard : kEmpty;
    key |= WindowBits(offset, code);
  }
  return key;
}

std::string SwapColours(std::string window) {
  for (char& c : window) c = c == 'x' ? 'o' : c == 'o' ? 'x' : c;
  return window;
}

struct LineCase {
  const char* window;  // as X sees it
  LinePattern expected;
};

using L = LinePattern;
constexpr LineCase kLineCases[] = {
    {"--xx*xx--", L::kFive},
    {"-xxx*xx--", L::kFive},  // overline
    {"#xxx*x---", L::kFive},
    {"xx-x*xxx-", L::kFive},
    {"---x*xx--", L::kOpenFour},
    {"x-xx*-x--", L::kOpenFour},  // x-xxx-x: two gaps, each completes five
    {"--ox*xx--", L::kFour},
    {"##xx*x---", L::kFour},
    {"--x-*xx--", L::kFour},  // x-xxx: only the gap completes
    {"xxx-*---o", L::kFour},
    {"---x*x---", L::kOpenThree},
    {"--x-*x---", L::kOpenThree},
    {"##-x*x---", L::kOpenThree},    // |-xxx-- still makes -xxxx-
    {"--x-*-x--", L::kClosedThree},  // x-x-x makes only fours
    {"--ox*x---", L::kClosedThree},
    {"###x*x---", L::kClosedThree},
    {"##-x*x-o-", L::kClosedThree},  // |-xxx-o: no room for -xxxx-
    {"---x*----", L::kOpenTwo},
    {"--x-*----", L::kOpenTwo},
    {"--ox*----", L::kClosedTwo},
    {"o---*---o", L::kNone},  // a lone stone is not yet a two
    {"--o-*-o--", L::kNone},  // no room for five
    {"xxo-*-oxx", L::kNone},
    {"###-*xxo-", L::kNone},
};

TEST(LinePatternTest, ClassifiesWindowsForBothSides) {
  for (const LineCase& c : kLineCases) {
    EXPECT_EQ(LinePatternOf(KeyOf(c.window), kPlayerX), c.expected) << c.window;
    EXPECT_EQ(LinePatternOf(KeyOf(SwapColours(c.window)), kPlayerO), c.expected) << c.window;
  }
}

TEST(LinePatternTest, TheOpponentsStonesAreNotOwn) {
  EXPECT_EQ(LinePatternOf(KeyOf("--xx*xx--"), kPlayerO), L::kNone);
  EXPECT_EQ(LinePatternOf(KeyOf("---x*x--o"), kPlayerO), L::kNone);
}

struct CellCase {
  LinePattern lines[4];
  CellPattern expected;
};

using C = CellPattern;
constexpr CellCase kCellCases[] = {
    {{L::kFour, L::kFive, L::kNone, L::kNone}, C::kFive},
    {{L::kNone, L::kOpenFour, L::kFour, L::kNone}, C::kOpenFour},
    {{L::kFour, L::kNone, L::kNone, L::kFour}, C::kDoubleFour},
    {{L::kOpenThree, L::kFour, L::kNone, L::kNone}, C::kFourThree},
    {{L::kClosedThree, L::kFour, L::kOpenTwo, L::kNone}, C::kFour},
    {{L::kOpenThree, L::kNone, L::kOpenThree, L::kNone}, C::kDoubleThree},
    {{L::kOpenThree, L::kClosedThree, L::kOpenTwo, L::kNone}, C::kOpenThree},
    {{L::kClosedThree, L::kOpenTwo, L::kOpenTwo, L::kNone}, C::kClosedThree},
    {{L::kOpenTwo, L::kNone, L::kNone, L::kOpenTwo}, C::kDoubleTwo},
    {{L::kClosedTwo, L::kNone, L::kNone, L::kNone}, C::kTwo},
    {{L::kNone, L::kNone, L::kNone, L::kNone}, C::kNone},
};

TEST(CellPatternTest, CombinesTheFourLines) {
  for (const CellCase& c : kCellCases) {
    int packed = 0;
    for (int d = 0; d < 4; ++d) packed |= static_cast<int>(c.lines[d]) << (kPackedLineBits * d);
    EXPECT_EQ(kCellPatterns[packed], c.expected) << packed;
  }
}

}  // namespace
}  // namespace pentad::strong
