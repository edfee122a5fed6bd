// The turn as a manager sees it: the real executable in a directory of files.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <random>

#include "test_support.hpp"

namespace pentad::classic {
namespace {

using test::TempDir;

std::string EmptyRows(int rows = 20) {
  std::string text;
  for (int i = 0; i < rows; ++i) text += std::string(20, '-') + "\r\n";
  return text;
}

std::string RowsWith(std::vector<std::pair<int, std::string>> lines, int total = 20,
                     int width = 20) {
  std::vector<std::string> rows(total, std::string(width, '-'));
  for (auto& [y, row] : lines) rows[y] = row;
  std::string text;
  for (const auto& row : rows) text += row + "\r\n";
  return text;
}

int RunTurnIn(const TempDir& dir, std::string* output = nullptr) {
  const auto result = test::RunCommand("cd " + test::Quote(dir.path()) + " && " PENTAD_EXE " 2>&1");
  if (output) *output = result.output;
  return result.status;
}

bool IsMoveText(const std::string& text) {
  // "x,y" CR LF: optional minus signs, digits, nothing else.
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.size() < comma + 4) return false;
  if (text.substr(text.size() - 2) != "\r\n") return false;
  const auto isNumber = [](const std::string& s) {
    const size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    return s.size() > start && s.find_first_not_of("0123456789", start) == std::string::npos;
  };
  return isNumber(text.substr(0, comma)) &&
         isNumber(text.substr(comma + 1, text.size() - comma - 3));
}

std::pair<int, int> ParseMove(const std::string& text) {
  const auto comma = text.find(',');
  return {std::stoi(text.substr(0, comma)), std::stoi(text.substr(comma + 1))};
}

TEST(Turn, EmptyBoardAnswersTheCentre) {
  TempDir dir;
  dir.Write("Plocha.dat", EmptyRows());
  dir.Write("Tah.dat", "x\r\n");
  std::string output;
  EXPECT_EQ(RunTurnIn(dir, &output), 0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(dir.Read("Tah.dat"), "9,9\r\n");
}

TEST(Turn, MissingPositionFilePlaysAsOnAnEmptyBoard) {
  TempDir dir;
  dir.Write("Tah.dat", "o");
  EXPECT_EQ(RunTurnIn(dir), 0);
  EXPECT_EQ(dir.Read("Tah.dat"), "9,9\r\n");
}

TEST(Turn, MissingSideFileWritesNothing) {
  TempDir dir;
  dir.Write("Plocha.dat", EmptyRows());
  EXPECT_EQ(RunTurnIn(dir), 0);
  EXPECT_FALSE(dir.Exists("Tah.dat"));
  EXPECT_FALSE(dir.Exists("tah.dat"));
}

TEST(Turn, TwoStonesGetANearbyEmptySquare) {
  TempDir dir;
  dir.Write("Plocha.dat", RowsWith({{9, "---------xo---------"}}));
  dir.Write("Tah.dat", "x");
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("Tah.dat");
  ASSERT_TRUE(IsMoveText(move)) << move;
  const auto [x, y] = ParseMove(move);
  EXPECT_GE(x, 8);
  EXPECT_LE(x, 10);
  EXPECT_GE(y, 8);
  EXPECT_LE(y, 10);
  EXPECT_FALSE(y == 9 && (x == 9 || x == 10));
}

struct FileCase {
  const char* name;
  std::string position;
  std::string side;
  std::string expectedMove;  // empty: any legal move
};

class TurnFiles : public ::testing::TestWithParam<FileCase> {};

TEST_P(TurnFiles, ReadAsAManagerWritesThem) {
  TempDir dir;
  dir.Write("Plocha.dat", GetParam().position);
  dir.Write("Tah.dat", GetParam().side);
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("Tah.dat");
  ASSERT_TRUE(IsMoveText(move)) << move;
  if (!GetParam().expectedMove.empty()) {
    EXPECT_EQ(move, GetParam().expectedMove);
  }
}

// x has four in a row on line 3 (open at both ends): completing the five is
// the only sensible answer, whoever reads the file.
const std::string kFourOnLineThree =
    RowsWith({{3, "-----xxxx-----------"}, {5, "-----ooo------------"}});

INSTANTIATE_TEST_SUITE_P(
    Turn, TurnFiles,
    ::testing::Values(
        FileCase{"UpperCaseLettersAreNotStones", RowsWith({{0, "XXXXOOOO------------"}}), "x",
                 "9,9\r\n"},
        FileCase{"ShortLinesLeaveEmptySquares", "-----xxxx\r\n\n", "x", ""},
        FileCase{"LongLinesReadAsCut", RowsWith({{3, "-----xxxx----------------"}}, 20, 25), "x",
                 ""},
        FileCase{"EmptyThirdLineEndsTheBoard",
                 RowsWith({{2, ""}, {3, "-----xxxx-----------"}, {6, "xxxx----------------"}}), "o",
                 "9,9\r\n"},
        FileCase{"SideFollowedByTextPlaysO", kFourOnLineThree, "o and more text\r\n", ""},
        FileCase{"CompletesItsOwnFive", kFourOnLineThree, "x", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Turn, FiveIsCompletedAtEitherEnd) {
  TempDir dir;
  dir.Write("Plocha.dat", kFourOnLineThree);
  dir.Write("Tah.dat", "x\r\n");
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("Tah.dat");
  EXPECT_TRUE(move == "4,3\r\n" || move == "9,3\r\n") << move;
}

TEST(Turn, StoneOnLineTwoColumnFourIsSquareThreeOne) {
  // o must stop x's open four on line 1 (squares 3..6 of the second line).
  TempDir dir;
  dir.Write("Plocha.dat", RowsWith({{1, "---xxxx-------------"},
                                    {8, "---------oo---------"},
                                    {9, "----------o---------"}}));
  dir.Write("Tah.dat", "o");
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("Tah.dat");
  EXPECT_TRUE(move == "2,1\r\n" || move == "7,1\r\n") << move;
}

TEST(Turn, UpperCaseFileNamesAreFoundAndAnswered) {
  TempDir dir;
  dir.Write("PLOCHA.DAT", kFourOnLineThree);
  dir.Write("TAH.DAT", "x\r\n");
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("TAH.DAT");
  EXPECT_TRUE(move == "4,3\r\n" || move == "9,3\r\n") << move;
  EXPECT_FALSE(dir.Exists("Tah.dat"));
}

TEST(Turn, ExactNamesWinOverOtherSpellings) {
  TempDir dir;
  dir.Write("Plocha.dat", EmptyRows());
  dir.Write("PLOCHA.DAT", kFourOnLineThree);
  dir.Write("Tah.dat", "x");
  ASSERT_EQ(RunTurnIn(dir), 0);
  EXPECT_EQ(dir.Read("Tah.dat"), "9,9\r\n");
}

TEST(Turn, UnknownSideTakesTheSideWhoseTurnItIs) {
  // x has one stone more, so o is to move and must block the open four.
  TempDir dir;
  dir.Write("Plocha.dat", RowsWith({{1, "---xxxx-------------"},
                                    {8, "---------oo---------"},
                                    {9, "----------o-x-------"}}));
  dir.Write("Tah.dat", "-");
  ASSERT_EQ(RunTurnIn(dir), 0);
  const std::string move = dir.Read("Tah.dat");
  EXPECT_TRUE(move == "2,1\r\n" || move == "7,1\r\n") << move;
}

// A book file of junk far larger than any real book must cost the move
// neither its time nor tournament memory limits (350 MB).
TEST(Turn, AHugeJunkBookCostsNeitherTheMoveNorTheMemory) {
  TempDir dir;
  dir.Write("Plocha.dat", RowsWith({{9, "---------xo---------"}, {10, "---------ox---------"}}));
  dir.Write("Tah.dat", "x");
  std::string junk(size_t{60} << 20, '\0');
  std::mt19937 rng(3);
  for (size_t i = 0; i < junk.size(); i += 4) junk[i] = static_cast<char>(rng());
  junk[0] = junk[1] = junk[2] = '\x7f';  // a record count of billions
  dir.Write("Veklo.ob1", junk);
  const auto before = std::chrono::steady_clock::now();
  ASSERT_EQ(RunTurnIn(dir), 0);
  const auto elapsed = std::chrono::steady_clock::now() - before;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);  // the largest child so far: the turn
  EXPECT_TRUE(IsMoveText(dir.Read("Tah.dat"))) << dir.Read("Tah.dat");
  EXPECT_LT(elapsed, std::chrono::milliseconds(4600));
  EXPECT_LT(usage.ru_maxrss, 350L * 1024) << "kilobytes of memory";
}

TEST(Turn, FullBoardAnswersMinusOne) {
  TempDir dir;
  std::string text;
  // A drawn full board: columns in pairs, alternating every two rows, so no
  // line of five exists.
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) text += ((x / 2 + y / 2) % 2) ? 'x' : 'o';
    text += "\r\n";
  }
  dir.Write("Plocha.dat", text);
  dir.Write("Tah.dat", "x");
  ASSERT_EQ(RunTurnIn(dir), 0);
  EXPECT_EQ(dir.Read("Tah.dat"), "-1,-1\r\n");
}

// This process's memory from /proc: "VmRSS" now, "VmHWM" the most since
// the peak was last reset.
long MemoryKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

// The board's text with 40 MiB of filler, after the board or inside its
// first line, written piece by piece so that the test itself stays small.
void WriteHugePositionFile(const TempDir& dir, const std::string& board, bool insideFirstLine) {
  std::ofstream out(dir.path() / "Plocha.dat", std::ios::binary);
  const size_t split = insideFirstLine ? board.find('\r') : board.size();
  out << board.substr(0, split);
  const std::string filler(1 << 20, insideFirstLine ? '-' : 'x');
  for (int i = 0; i < 40; ++i) out << filler;
  out << board.substr(split);
}

// Only the first 20 characters of the first 20 lines count, and nothing past
// the first MiB is read: a position file of many megabytes past its board
// reads as the board alone; one whose first line runs for megabytes reads
// as that line's stones, the lines beyond the bound as empty. Neither costs
// memory for the rest.
TEST(PositionFiles, AHugeFileCostsNoMoreThanItsBoard) {
  const std::string board = RowsWith({{0, "--x-----------------"},
                                      {8, "--------oox---------"},
                                      {10, "----------o-x-------"},
                                      {19, "-------------o------"}});
  TempDir plain;
  plain.Write("Plocha.dat", board);
  plain.Write("Tah.dat", "x");
  const auto expected = ReadPosition(plain.path());
  ASSERT_TRUE(expected);
  TempDir firstLine;
  firstLine.Write("Plocha.dat", RowsWith({{0, "--x-----------------"}}));
  firstLine.Write("Tah.dat", "x");
  const auto firstLineOnly = ReadPosition(firstLine.path());
  ASSERT_TRUE(firstLineOnly);
  for (const bool insideFirstLine : {false, true}) {
    TempDir dir;
    WriteHugePositionFile(dir, board, insideFirstLine);
    dir.Write("Tah.dat", "x");
    ASSERT_TRUE(std::ofstream("/proc/self/clear_refs") << "5") << "cannot reset the peak";
    const long before = MemoryKiB("VmRSS");
    const auto read = ReadPosition(dir.path());
    EXPECT_LT(MemoryKiB("VmHWM") - before, 8 * 1024)
        << "KiB, filler inside the first line " << insideFirstLine;
    ASSERT_TRUE(read);
    EXPECT_EQ(read->stones, insideFirstLine ? firstLineOnly->stones : expected->stones);
  }
}

}  // namespace
}  // namespace pentad::classic
