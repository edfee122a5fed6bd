#include "classic/threats/threat_search.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "test_support.hpp"

namespace pentad::classic {
namespace {

constexpr uint8_t X = kPlayerX;
constexpr uint8_t O = kPlayerO;

using StoneList = std::vector<test::Stone>;
using Squares = std::vector<std::pair<int, int>>;

// What a search reads: the board, the attacker, the depth, the roots (exactly
// `candidates`, then placeholders) and a generous budget.
struct SearchSetup {
  Board board{};
  std::array<SearchRoot, 20> roots{};
  uint8_t attacker = X;
  int depth = 1;
  TimeBudget time;
};

std::unique_ptr<SearchSetup> SearchContext(const StoneList& stones, const Squares& candidates,
                                           int depth, uint8_t attacker = X) {
  auto setup = std::make_unique<SearchSetup>();
  for (const auto& s : stones) {
    setup->board.at(s.x, s.y).occupant = s.player;
    setup->board.at(s.x, s.y).value = kOccupiedValue;
  }
  for (size_t p = 0; p < candidates.size(); ++p)
    setup->roots[p] = {candidates[p].first, candidates[p].second, false};
  setup->attacker = attacker;
  setup->depth = depth;
  setup->time.LimitChecks(1000000);
  return setup;
}

struct Outcome {
  bool found;
  int index;
  Squares line;
};

Outcome Run(SearchSetup& c, bool perReply, bool foursFirst) {
  const Board before = c.board;
  const SearchResult result =
      perReply ? SearchPerReply(c.board, c.attacker, c.depth, c.roots, foursFirst, c.time)
               : SearchCombined(c.board, c.attacker, c.depth, c.roots, foursFirst, c.time);
  EXPECT_EQ(std::memcmp(&before, &c.board, sizeof before), 0) << "the board must not change";
  Outcome o{result.found, 0, {}};
  if (o.found) {
    o.index = result.index;
    for (int i = 0; i < result.line.count; ++i)
      o.line.push_back({result.line.x[i], result.line.y[i]});
    EXPECT_EQ(o.line.front(), (std::pair{c.roots[o.index - 1].x, c.roots[o.index - 1].y}));
  }
  return o;
}

Outcome Combined(SearchSetup& c, bool foursFirst = false) {
  return Run(c, false, foursFirst);
}

Outcome PerReply(SearchSetup& c, bool foursFirst = false) {
  return Run(c, true, foursFirst);
}

// A four along the row (closed at its far end) and two stones down the
// column: the four's answer leaves an open four one move later.
const StoneList kFourThree = {{5, 9, O}, {6, 9, X}, {7, 9, X}, {8, 9, X}, {9, 10, X}, {9, 11, X}};
// Two crossing twos: (9, 9) makes two open threes at once.
const StoneList kThreeThree = {{8, 9, X}, {10, 9, X}, {9, 8, X}, {9, 10, X}};

StoneList Plus(StoneList a, const StoneList& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(CombinedSearch, FindsTheFourThreeAtDepthOne) {
  auto c = SearchContext(kFourThree, {{9, 9}}, 1);
  const Outcome o = Combined(*c);
  ASSERT_TRUE(o.found);
  EXPECT_EQ(o.index, 1);
  EXPECT_EQ(o.line, (Squares{{9, 9}, {9, 8}}));
}

TEST(CombinedSearch, FindsTheOpenThreeThree) {
  auto c = SearchContext(kThreeThree, {{9, 9}}, 1);
  const Outcome o = Combined(*c);
  ASSERT_TRUE(o.found);
  EXPECT_EQ(o.line.front(), (std::pair{9, 9}));
  EXPECT_EQ(o.line.size(), 2u);
}

TEST(CombinedSearch, FirstCandidateWithoutThreatEndsTheSearch) {
  auto c = SearchContext(kFourThree, {{0, 0}, {9, 9}}, 3);
  EXPECT_FALSE(Combined(*c).found);
  auto p = SearchContext(kFourThree, {{0, 0}, {9, 9}}, 3);
  const Outcome o = PerReply(*p);
  ASSERT_TRUE(o.found);
  EXPECT_EQ(o.index, 2);
}

TEST(CombinedSearch, ExcludedCandidatesAreSkipped) {
  auto c = SearchContext(kFourThree, {{0, 0}, {9, 9}}, 3);
  c->roots[0].excluded = true;
  const Outcome o = Combined(*c);
  ASSERT_TRUE(o.found);
  EXPECT_EQ(o.index, 2);
}

TEST(CombinedSearch, FoursFirstSkipsThreesInsteadOfStopping) {
  // (12, 3) only makes an open three; the four at (9, 9) is still tried.
  const StoneList stones = Plus(kFourThree, {{11, 3, X}, {13, 3, X}});
  auto c = SearchContext(stones, {{12, 3}, {9, 9}}, 3);
  const Outcome o = Combined(*c, true);
  ASSERT_TRUE(o.found);
  EXPECT_EQ(o.index, 2);
}

TEST(CombinedSearch, AnAlreadyWinningFirstMoveEndsWithoutOutput) {
  const StoneList openThree = {{6, 9, X}, {7, 9, X}, {8, 9, X}};
  for (bool perReply : {false, true}) {
    auto c = SearchContext(Plus(openThree, kThreeThree.size() ? StoneList{} : StoneList{}),
                           {{9, 9}, {5, 9}}, 3);
    const Outcome o = perReply ? PerReply(*c) : Combined(*c);
    EXPECT_FALSE(o.found);
  }
}

TEST(CombinedSearch, NoForcedWinInQuietPositions) {
  const StoneList quiet = {{9, 9, X}, {10, 10, O}, {8, 11, X}, {12, 6, O}};
  const Squares squares = {{9, 10}, {8, 10}, {10, 9}, {7, 12}};
  for (int depth : {1, 5, 12}) {
    auto c = SearchContext(quiet, squares, depth);
    EXPECT_FALSE(Combined(*c).found) << depth;
    auto p = SearchContext(quiet, squares, std::min(depth, 10));
    EXPECT_FALSE(PerReply(*p).found) << depth;
  }
}

TEST(CombinedSearch, WinFlagComesBeforeTheStrengthRule) {
  // The answer to the row four makes an open four for the defender, yet the
  // attacker's open four one move later still wins.
  const StoneList counterFour = {{10, 10, O}, {10, 11, O}, {10, 12, O}};
  auto c = SearchContext(Plus(kFourThree, counterFour), {{9, 9}}, 1);
  EXPECT_TRUE(Combined(*c).found);
  auto p = SearchContext(Plus(kFourThree, counterFour), {{9, 9}}, 1);
  EXPECT_TRUE(PerReply(*p).found);
}

// Row four at (9, 9) answered at (10, 9); then (9, 8) makes a diagonal four
// (answered at (5, 4)) and a column four that (9, 12) completes.
const StoneList kDoubleFourLine = {{5, 9, O},  {6, 9, X},  {7, 9, X}, {8, 9, X},
                                   {9, 10, X}, {9, 11, X}, {9, 7, O}, {9, 13, O},
                                   {6, 5, X},  {7, 6, X},  {8, 7, X}};

TEST(CombinedSearch, VerificationRejectsALineTheDefenderOutthreatens) {
  auto open = SearchContext(kDoubleFourLine, {{9, 9}}, 3);
  const Outcome plain = Combined(*open);
  ASSERT_TRUE(plain.found);
  EXPECT_EQ(plain.line.size(), 3u);
  // Now the answer at (10, 9) gives the defender a four: a following four
  // of the attacker is not strong enough.
  const StoneList counterFour = {{10, 10, O}, {10, 11, O}, {10, 12, O}, {10, 13, X}};
  auto countered = SearchContext(Plus(kDoubleFourLine, counterFour), {{9, 9}}, 3);
  EXPECT_FALSE(Combined(*countered).found);
}

TEST(PerReplySearch, FreeThreeMustWinAfterEachAnswer) {
  auto c = SearchContext(kThreeThree, {{9, 9}}, 1);
  EXPECT_TRUE(PerReply(*c).found);
  // Block the column beyond its ends: after the answer at (7, 9) the column
  // three can no longer become an open four.
  const StoneList blocked =
      Plus({{8, 9, X}, {10, 9, X}, {9, 8, X}, {9, 10, X}}, {{9, 6, O}, {9, 12, O}});
  auto b = SearchContext(blocked, {{9, 9}}, 1);
  EXPECT_FALSE(PerReply(*b).found);
}

TEST(Searches, SpentBudgetFailsEverySearch) {
  auto c = SearchContext(kFourThree, {{9, 9}}, 3);
  c->time.SetTimeUp();
  EXPECT_FALSE(Combined(*c).found);
  EXPECT_FALSE(PerReply(*c).found);
}

TEST(Searches, StrengthRule) {
  struct Case {
    uint8_t attack, counter;
    bool ok;
  };
  const Case cases[] = {{1, 0, true},  {0, 0, false}, {2, 1, false}, {3, 1, true}, {3, 2, true},
                        {4, 3, false}, {5, 3, true},  {5, 4, true},  {5, 5, false}};
  for (const Case& k : cases) EXPECT_EQ(IsStrongEnough(k.attack, k.counter), k.ok);
}

}  // namespace
}  // namespace pentad::classic
