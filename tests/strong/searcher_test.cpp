#include "strong/searcher.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "strong/engine_support.hpp"
#include "strong/tactics.hpp"

namespace pentad::strong {
namespace {

// The engine clears its tables before a search with a node budget; a
// searcher of its own keeps them from one search to the next.
struct SharedTables {
  TranspositionTable table{size_t{16} << 20};
  VcfSearch vcf;
  VctSearch vct;
  Searcher searcher{table, vcf, vct};

  std::optional<int> PliesToResultOf(const SearchBoard& board) {
    return PliesToResult(searcher.Run(board, test::NodeLimits(200000), {}).score);
  }
};

// Our own position 0002, won for O in 13 plies, after O's first move:
// lost for X in 12, and after the longest defence's next two moves in 10.
// A loss is scored by the alpha-beta alone, the root's own looks finding
// only wins, so its distance is what the table keeps of it.
SearchBoard LostInTwelve() {
  SearchBoard board = test::LoadTactic(test::kOwnTacticsDir, "0002").board;
  board.Make(CellAt(6, 8));
  return board;
}

SearchBoard LostInTen() {
  SearchBoard board = LostInTwelve();
  board.Make(CellAt(12, 12));
  board.Make(CellAt(13, 13));
  return board;
}

// The second search of each pair meets the first one's positions at
// another ply, or at the same one, with their proven scores in the table.
// Only nodes off the principal variation take a score from the table, so
// a score kept at the wrong ply mostly costs nodes; once the variation
// takes them too, it changes the distance reported here.
TEST(StrongSearcherTest, ProvenDistancesStayTrueThroughTheTable) {
  struct Case {
    const char* name;
    SearchBoard first;
    int firstPlies;
    SearchBoard second;
    int secondPlies;
  };
  const Case cases[] = {
      {"the same position again", LostInTwelve(), -12, LostInTwelve(), -12},
      {"two plies on", LostInTwelve(), -12, LostInTen(), -10},
      {"two plies back", LostInTen(), -10, LostInTwelve(), -12},
  };
  for (const Case& c : cases) {
    SharedTables tables;
    EXPECT_EQ(tables.PliesToResultOf(c.first), c.firstPlies) << c.name;
    EXPECT_EQ(tables.PliesToResultOf(c.second), c.secondPlies) << c.name;
  }
}

}  // namespace
}  // namespace pentad::strong
