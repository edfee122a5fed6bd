// The book writer: reading games, learning their positions and finding
// them again in every orientation.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "book_test_support.hpp"
#include "classic/book/book_inspection.hpp"
#include "classic/book/book_learning.hpp"
#include "classic/book/recorded_game.hpp"
#include "cli/book_store.hpp"

namespace pentad::classic::book {
namespace {

namespace fs = std::filesystem;
using testing::StoneList;
using testing::TempDir;

std::string Sgf(const std::string& moves, const std::string& result) {
  return "(;FF[4]GM[4]SZ[20]RE[" + result + "]" + moves + ")";
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A game in the open, one in a corner and one along an edge.
const std::string kCentreGame =
    ";B[jj];W[kk];B[ki];W[ik];B[lj];W[hl];B[mi];W[jh];B[nh];W[oj];B[lh]";
const std::string kCornerGame =
    ";B[bb];W[cc];B[bc];W[db];B[ad];W[ee];B[be];W[ca];B[bd];W[af];B[bf]";
const std::string kEdgeGame = ";B[sj];W[rk];B[si];W[tk];B[sl];W[rh];B[sk];W[sh];B[sm];W[qm];B[sn]";

TEST(RecordedGames, ReadTheMainLineAndTheResult) {
  const SgfReading reading = ReadSgfGames(
      "(;FF[4]GM[4]SZ[20]PB[a \\] b]RE[W+R];B[jj](;W[kk];B[ll])(;W[aa]))\n(;SZ[20]RE[0];B[aa])");
  ASSERT_TRUE(reading.error.empty()) << reading.error;
  ASSERT_EQ(reading.games.size(), 2u);
  const RecordedGame& game = reading.games[0].game;
  EXPECT_TRUE(reading.games[0].error.empty()) << reading.games[0].error;
  EXPECT_EQ(game.result, GameResult::kWhiteWins);
  ASSERT_EQ(game.moves.size(), 3u);
  EXPECT_EQ(game.moves[1].x, 10);
  EXPECT_EQ(game.moves[2].y, 11);
  EXPECT_EQ(reading.games[1].game.result, GameResult::kDraw);
}

TEST(RecordedGames, ResultsAreReadAsWritten) {
  const std::pair<const char*, GameResult> cases[] = {
      {"B+R", GameResult::kBlackWins},    {"B+", GameResult::kBlackWins},
      {"W+Time", GameResult::kWhiteWins}, {"0", GameResult::kDraw},
      {"Draw", GameResult::kDraw},        {"?", GameResult::kUnknown},
      {"Void", GameResult::kUnknown},     {"", GameResult::kUnknown}};
  for (const auto& [text, result] : cases) EXPECT_EQ(ResultOf(text), result) << text;
}

TEST(RecordedGames, UnusableGamesSayWhy) {
  const std::pair<std::string, std::string> cases[] = {
      {"(;GM[4]SZ[19];B[jj])", "only 20 x 20"},   {"(;GM[1]SZ[20];B[jj])", "not a Gomoku game"},
      {"(;GM[4];B[jj])", "SZ[20] is required"},   {"(;SZ[20];B[jj];W[])", "move 2 is a pass"},
      {"(;SZ[20];B[jj];W[jj])", "already taken"}, {"(;SZ[20];W[jj])", "out of turn"},
      {"(;SZ[20];B[jj];W[ua])", "not a square"},  {"(;SZ[20]AB[jj];W[kk])", "setup stones"},
  };
  for (const auto& [text, message] : cases) {
    const SgfReading reading = ReadSgfGames(text);
    ASSERT_TRUE(reading.error.empty()) << text;
    ASSERT_EQ(reading.games.size(), 1u);
    EXPECT_NE(reading.games[0].error.find(message), std::string::npos)
        << text << ": " << reading.games[0].error;
  }
}

TEST(RecordedGames, SyntaxErrorsSpoilTheText) {
  for (const char* text :
       {"", "garbage", "(;SZ[20", "(;SZ[20];B[jj]", "(SZ[20])", "(;[jj])", "(;SZ[20]B)"}) {
    EXPECT_FALSE(ReadSgfGames(text).error.empty()) << text;
  }
  EXPECT_FALSE(ReadSgfGames(std::string(100000, '(')).error.empty());
}

TEST(RecordedGames, APositionIsLearnedForOneAndThreeToNineStones) {
  const SgfReading reading = ReadSgfGames(Sgf(kCentreGame, "B+R"));
  const auto positions = PositionsOf(reading.games.at(0).game);
  std::vector<int> counts;
  for (const auto& p : positions) counts.push_back(p.position->stoneCount);
  EXPECT_EQ(counts, (std::vector<int>{1, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(positions[0].position->ownMoves.Count(), 0) << "white moves against one stone";
  EXPECT_EQ(positions[0].answer.x, 10);
  EXPECT_FALSE(positions[0].moverWon);
  EXPECT_TRUE(positions[2].moverWon) << "black moves with four stones on the board";
  EXPECT_EQ(positions[2].position->ownMoves.Count(), 2);
  EXPECT_TRUE(PositionsOf(ReadSgfGames(Sgf(kCentreGame, "0")).games.at(0).game).empty());
}

// The eight symmetries of the 20 x 20 board.
std::pair<int, int> Orient(int k, std::pair<int, int> p) {
  auto [x, y] = p;
  if (k & 1) x = 19 - x;
  if (k & 2) y = 19 - y;
  if (k & 4) std::swap(x, y);
  return {x, y};
}

using Square = std::pair<int, int>;
using SquareSet = std::set<Square>;

// True when some symmetry of the position itself maps `played` to
// `answered`: both answers are then the same move.
bool SameMoveOfThePosition(const SquareSet& own, const SquareSet& opp, Square played,
                           Square answered) {
  for (int k = 0; k < 8; ++k) {
    const auto map = [k](Square s) {
      auto [x, y] = s;
      if (k & 1) x = -x;
      if (k & 2) y = -y;
      if (k & 4) std::swap(x, y);
      return Square{x, y};
    };
    SquareSet all = own;
    all.insert(opp.begin(), opp.end());
    SquareSet mappedAll;
    for (Square s : all) mappedAll.insert(map(s));
    const int dx = all.begin()->first - mappedAll.begin()->first;
    const auto moved = [&](Square s) {
      const Square m = map(s);
      int minY = 1000;
      for (Square t : mappedAll) minY = std::min(minY, t.second);
      int originalMinY = 1000;
      for (Square t : all) originalMinY = std::min(originalMinY, t.second);
      return Square{m.first + dx, m.second + originalMinY - minY};
    };
    SquareSet ownMoved, oppMoved;
    for (Square s : own) ownMoved.insert(moved(s));
    for (Square s : opp) oppMoved.insert(moved(s));
    if (ownMoved == own && oppMoved == opp && moved(played) == answered) return true;
  }
  return false;
}

TEST(BookLearning, LearnedGamesAreFoundInEveryOrientation) {
  TempDir dir;
  WriteText(dir.path() / "two.sgf", Sgf(kCentreGame, "B+R") + "\n" + Sgf(kCornerGame, "W+R"));
  WriteText(dir.path() / "edge.sgf", Sgf(kEdgeGame, "B+"));
  const std::string d = dir.path().string();
  const testing::CommandRun learned =
      testing::RunPentad("book learn " + d + "/two.sgf " + d + "/edge.sgf --dir " + d);
  ASSERT_EQ(learned.status, 0) << learned.output;
  for (const char* name : {"Veklo.ob1", "Veklo.ob2"}) {
    const testing::CommandRun check = testing::RunPentad("book check " + d + "/" + name);
    EXPECT_EQ(check.status, 0) << check.output;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "Veklo.ob1.tmp"));
  int lookups = 0;
  for (const std::string& moves : {kCentreGame, kCornerGame, kEdgeGame}) {
    const RecordedGame game = ReadSgfGames(Sgf(moves, "B+")).games.at(0).game;
    for (const auto& learnedPosition : PositionsOf(game)) {
      const OpeningRecord& position = *learnedPosition.position;
      for (int k = 0; k < 8; ++k) {
        StoneList own, opp;
        SquareSet ownSet, oppSet;
        for (auto s : testing::StonesOf(position.ownMoves)) {
          own.push_back(Orient(k, s));
          ownSet.insert(own.back());
        }
        for (auto s : testing::StonesOf(position.oppMoves)) {
          opp.push_back(Orient(k, s));
          oppSet.insert(opp.back());
        }
        const Square played = Orient(k, {learnedPosition.answer.x, learnedPosition.answer.y});
        OpeningBook book;
        book.fileName =
            (dir.path() / (position.stoneCount % 2 ? "Veklo.ob2" : "Veklo.ob1")).string();
        ASSERT_TRUE(book.Load());
        const auto answers = testing::Answers(book, *testing::PositionOf(own, opp));
        // Records agree by their stones alone, so a lone stone in the open and
        // one near an edge share their answers: the played one must be among them.
        ASSERT_FALSE(answers.empty()) << int(position.stoneCount) << " stones, orientation " << k;
        const bool found = std::any_of(answers.begin(), answers.end(), [&](const auto& a) {
          const Square answered = {a.x, a.y};
          return answered == played || SameMoveOfThePosition(ownSet, oppSet, played, answered);
        });
        EXPECT_TRUE(found) << int(position.stoneCount) << " stones, orientation " << k
                           << ": played " << played.first << "," << played.second;
        ++lookups;
      }
    }
  }
  EXPECT_EQ(lookups, 3 * 8 * 8);
}

TEST(BookLearning, AMirroredGameUpdatesTheSameRecords) {
  TempDir dir;
  const RecordedGame game = ReadSgfGames(Sgf(kEdgeGame, "B+")).games.at(0).game;
  RecordedGame mirrored = game;
  for (GameMove& move : mirrored.moves) move.y = 19 - move.y;
  LearnedBook books[2] = {LearnedBook(dir.path(), 1), LearnedBook(dir.path(), 2)};
  LearnCounts counts;
  for (const RecordedGame* g : std::array<const RecordedGame*, 3>{&game, &mirrored, &game}) {
    for (const auto& p : PositionsOf(*g))
      books[p.position->stoneCount % 2].Learn(*p.position, p.answer.x, p.answer.y, p.moverWon,
                                              counts);
  }
  EXPECT_EQ(counts.recordsAdded, 8);
  EXPECT_EQ(counts.recordsUpdated, 16);
  for (const LearnedBook& learned : books) {
    for (int i = 0; i < learned.Book().Count(); ++i) {
      const OpeningRecord& record = *learned.Book().At(i);
      EXPECT_EQ(record.wins + record.losses, 3u);
    }
  }
}

TEST(BookLearning, AnotherAnswerIsAnotherRecord) {
  TempDir dir;
  LearnedBook learned(dir.path(), 2);
  LearnCounts counts;
  const auto position = testing::PositionOf({}, {{9, 9}});
  learned.Learn(*position, 10, 10, true, counts);
  learned.Learn(*position, 8, 8, false, counts);  // the same move by symmetry
  learned.Learn(*position, 10, 9, true, counts);
  EXPECT_EQ(counts.recordsAdded, 2);
  EXPECT_EQ(learned.Book().Count(), 2);
  std::string error;
  ASSERT_TRUE(learned.Write(error)) << error;
  LearnedBook reloaded(dir.path(), 2);
  ASSERT_TRUE(reloaded.Load(error)) << error;
  EXPECT_EQ(reloaded.Book().Count(), 2);
}

TEST(BookLearning, BadInputChangesNoBook) {
  TempDir dir;
  const std::string d = dir.path().string();
  WriteText(dir.path() / "good.sgf", Sgf(kCentreGame, "B+R"));
  WriteText(dir.path() / "bad.sgf", "(;SZ[15];B[aa])");
  const testing::CommandRun bad =
      testing::RunPentad("book learn " + d + "/good.sgf " + d + "/bad.sgf --dir " + d);
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.output.find("only 20 x 20"), std::string::npos) << bad.output;
  EXPECT_FALSE(fs::exists(dir.path() / "Veklo.ob1"));
  EXPECT_EQ(testing::RunPentad("book learn " + d + "/missing.sgf --dir " + d).status, 2);

  testing::WriteFile(dir.path() / "Veklo.ob2", {5, 0, 0, 0, 14, 14});
  const testing::CommandRun damaged =
      testing::RunPentad("book learn " + d + "/good.sgf --dir " + d);
  EXPECT_EQ(damaged.status, 2);
  EXPECT_NE(damaged.output.find("damaged"), std::string::npos) << damaged.output;
  EXPECT_EQ(fs::file_size(dir.path() / "Veklo.ob2"), 6u);
  EXPECT_FALSE(fs::exists(dir.path() / "Veklo.ob1"));
}

TEST(BookLearning, DrawsAndGamesWithoutAResultTeachNothing) {
  TempDir dir;
  const std::string d = dir.path().string();
  WriteText(dir.path() / "games.sgf",
            Sgf(kCentreGame, "Draw") + "(;GM[4]SZ[20]" + kCornerGame + ")");
  const testing::CommandRun run = testing::RunPentad("book learn " + d + "/games.sgf --dir " + d);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("no result"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(dir.path() / "Veklo.ob1"));
  EXPECT_FALSE(fs::exists(dir.path() / "Veklo.ob2"));
}

// Wins and losses of every record of a book together: what the book has
// learned, whatever records it keeps it in.
uint64_t Tally(const fs::path& dir, int bookNumber) {
  LearnedBook book(dir, bookNumber);
  std::string error;
  EXPECT_TRUE(book.Load(error)) << error;
  uint64_t total = 0;
  for (int i = 0; i < book.Book().Count(); ++i)
    total += book.Book().At(i)->wins + book.Book().At(i)->losses;
  return total;
}

// A game of 11 moves teaches 3 positions of even stone counts (4, 6, 8) and
// 5 of odd ones (1, 3, 5, 7, 9).
constexpr uint64_t kEvenPerGame = 3;
constexpr uint64_t kOddPerGame = 5;

// Games of 11 moves on random squares of the centre: each makes records of
// its own, so that a run spends a while on its books.
std::string VariedGames(int count) {
  std::mt19937 random(7);
  std::string games;
  for (int g = 0; g < count; ++g) {
    std::set<std::pair<int, int>> taken;
    std::string moves;
    while (taken.size() < 11) {
      const std::pair<int, int> square(5 + random() % 10, 5 + random() % 10);
      if (!taken.insert(square).second) continue;
      moves += std::string(";") + (taken.size() % 2 ? "B[" : "W[") +
               static_cast<char>('a' + square.first) + static_cast<char>('a' + square.second) + "]";
    }
    games += Sgf(moves, g % 2 ? "B+R" : "W+R");
  }
  return games;
}

TEST(BookLearning, TwoRunsAtOnceBothCount) {
  TempDir dir;
  const std::string d = dir.path().string();
  constexpr int kGames = 2000;
  WriteText(dir.path() / "games.sgf", VariedGames(kGames));
  testing::CommandRun runs[2];
  {
    std::jthread first(
        [&] { runs[0] = testing::RunPentad("book learn " + d + "/games.sgf --dir " + d); });
    std::jthread second(
        [&] { runs[1] = testing::RunPentad("book learn " + d + "/games.sgf --dir " + d); });
  }
  for (const auto& run : runs) EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(Tally(dir.path(), 1), 2 * kGames * kEvenPerGame);
  EXPECT_EQ(Tally(dir.path(), 2), 2 * kGames * kOddPerGame);
}

// A run killed after renaming one book but not the other left its journal
// and the other book's new file: whatever opens the books next completes
// the change first, so neither book holds the run twice or not at all.
TEST(BookLearning, ACommitCutOffBetweenItsRenamesIsCompletedFirst) {
  const struct {
    const char* command;
    uint64_t runs;  // learn runs the books hold in the end
  } cases[] = {{"book learn {}/game.sgf --dir {}", 2}, {"book check {}/Veklo.ob2", 1}};
  for (const auto& c : cases) {
    TempDir dir;
    const std::string d = dir.path().string();
    WriteText(dir.path() / "game.sgf", Sgf(kCentreGame, "B+R"));
    LearnedBook books[2] = {LearnedBook(dir.path(), 1), LearnedBook(dir.path(), 2)};
    const SgfReading reading = ReadSgfGames(Sgf(kCentreGame, "B+R"));
    LearnCounts counts;
    for (const auto& learned : PositionsOf(reading.games.at(0).game))
      books[learned.position->stoneCount % 2].Learn(*learned.position, learned.answer.x,
                                                    learned.answer.y, learned.moverWon, counts);
    std::string error;
    ASSERT_TRUE(cli::StageBooks(
        dir.path(), {{books[0].Path(), books[0].Bytes()}, {books[1].Path(), books[1].Bytes()}},
        error))
        << error;
    fs::rename(dir.path() / "Veklo.ob1.tmp", dir.path() / "Veklo.ob1");

    std::string command = c.command;
    for (size_t at; (at = command.find("{}")) != std::string::npos;) command.replace(at, 2, d);
    const testing::CommandRun run = testing::RunPentad(command);
    EXPECT_EQ(run.status, 0) << c.command << "\n" << run.output;
    EXPECT_EQ(Tally(dir.path(), 1), c.runs * kEvenPerGame) << c.command;
    EXPECT_EQ(Tally(dir.path(), 2), c.runs * kOddPerGame) << c.command;
    EXPECT_FALSE(fs::exists(dir.path() / cli::kBookJournalName)) << c.command;
  }
}

}  // namespace
}  // namespace pentad::classic::book
