// The brain decides every move exactly as a turn on the same position does:
// its answers equal `pentad analyze` with the same seed and check budget.
#include <gtest/gtest.h>

#include <filesystem>

#include "brain_test_support.hpp"

namespace pentad::test {
namespace {

namespace fs = std::filesystem;

struct Setting {
  uint32_t seed;
  int64_t checks;
  bool viaMaxNode;  // INFO max_node instead of --checks
};

constexpr Setting kSettings[] = {
    {1, 200, false}, {1, 3000, false}, {977, 3000, true}, {123456789, 800, false}};

std::vector<std::string> BrainArguments(const Setting& s, const fs::path& bookDir) {
  std::vector<std::string> args = {kClassicBrainExe, "--seed", std::to_string(s.seed), "--book-dir",
                                   bookDir.string()};
  if (!s.viaMaxNode) args.insert(args.end(), {"--checks", std::to_string(s.checks)});
  return args;
}

void Configure(BrainProcess& brain, const Setting& s) {
  if (s.viaMaxNode) brain.Send("INFO max_node " + std::to_string(s.checks));
  brain.Send("START 20");
  ASSERT_EQ(brain.ReadAnswer(), "OK");
}

// A golden folder as the brain's view: own stones those of the side file.
struct Folder {
  fs::path path;
  BrainView view;
};

std::vector<Folder> BrainFolders() {
  std::vector<Folder> folders;
  for (const fs::path& dir : test::GoldenFolders()) {
    const auto position = ReadPosition(dir);
    if (!position) continue;
    const char own = position->sideRead == kPlayerO ? 'o' : 'x';
    std::vector<std::string> rows;
    std::istringstream text(PositionText(position->stones));
    for (std::string row; std::getline(text, row);) rows.push_back(row);
    folders.push_back({dir, ViewFromRows(rows, own)});
  }
  return folders;
}

// The book files and "LEARN.ini" of `from`, beside the files of the view.
void PrepareDirectory(const TempDir& dir, const fs::path& from, const BrainView& view) {
  for (const auto& entry : fs::directory_iterator(from)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("Veklo", 0) == 0 || name == "LEARN.ini")
      fs::copy_file(entry.path(), dir.path() / name, fs::copy_options::overwrite_existing);
  }
  view.WriteTurnFiles(dir);
}

TEST(BrainMatchesAnalyze, OnEveryGoldenPositionForSeveralSeedsAndBudgets) {
  const auto folders = BrainFolders();
  ASSERT_FALSE(folders.empty()) << MissingGoldenData();
  for (const Setting& setting : kSettings)
    for (const Folder& folder : folders) {
      const std::string label = folder.path.filename().string() + " seed " +
                                std::to_string(setting.seed) + " checks " +
                                std::to_string(setting.checks);
      TempDir dir;
      PrepareDirectory(dir, folder.path, folder.view);
      BrainProcess brain(BrainArguments(setting, dir.path()));
      Configure(brain, setting);
      const auto answer = ParseMove(brain.Ask(folder.view.Block()));
      ASSERT_TRUE(answer) << label;
      EXPECT_EQ(*answer, AnalyzeMove(dir, setting.seed, setting.checks)) << label;
    }
}

// The empty square nearest to `m` in a fixed search order: an opponent that
// stays in the fight, so that the game passes through varied positions.
Move NearestFree(const BrainView& view, Move m, int turn) {
  for (int r = 1; r < kBoardSize; ++r)
    for (int i = 0; i < 8 * r; ++i) {
      const int k = (i + turn * 3) % (8 * r);
      const int side = k / (2 * r), step = k % (2 * r);
      const int dx[] = {-r + step, r, r - step, -r};
      const int dy[] = {-r, -r + step, r, r - step};
      const Move c{m.x + dx[side], m.y + dy[side]};
      if (OnBoard(c.x, c.y) && view.cells[c.x][c.y] == 0) return c;
    }
  return m;
}

TEST(BrainMatchesAnalyze, OnEveryMoveOfAGameAsEitherColour) {
  const Setting setting{42, 1500, false};
  for (const bool brainFirst : {true, false}) {
    TempDir dir;
    BrainProcess brain(BrainArguments(setting, dir.path()));
    Configure(brain, setting);
    BrainView view;
    Move last{9, 9};
    for (int turn = 0; turn < 14; ++turn) {
      std::string command = "BEGIN";
      if (turn > 0 || !brainFirst) {
        last = turn == 0 ? Move{9, 9} : NearestFree(view, last, turn);
        view.at(last) = 2;
        command = "TURN " + MoveText(last);
      }
      view.WriteTurnFiles(dir);
      const auto expected = AnalyzeMove(dir, setting.seed, setting.checks);
      const auto answer = ParseMove(brain.Ask(command));
      ASSERT_TRUE(answer) << command;
      ASSERT_EQ(answer, expected) << (brainFirst ? "first" : "second") << ", turn " << turn;
      view.at(*answer) = 1;
      last = *answer;
    }
  }
}

// Managers start a brain in a directory of their own: without --book-dir the
// book is the one beside the executable.
TEST(BrainMatchesAnalyze, FindsTheBookBesideItsExecutable) {
  const fs::path folder = fs::path(PENTAD_GOLDEN_DIR) / "positions" / "pos0024";
  ASSERT_TRUE(fs::exists(folder / "Veklo.ob2")) << MissingGoldenData();
  const auto position = ReadPosition(folder);
  ASSERT_TRUE(position);
  TempDir home;
  fs::copy_file(kClassicBrainExe, home.path() / "pbrain-pentad-classic");
  BrainView view = ViewFromRows({}, 'x');
  for (int x = 0; x < kBoardSize; ++x)
    for (int y = 0; y < kBoardSize; ++y)
      if (const uint8_t o = position->stones.At(x, y))
        view.cells[x][y] = o == position->sideRead ? 1 : 2;
  TempDir withBook, withoutBook;
  PrepareDirectory(withBook, folder, view);
  view.WriteTurnFiles(withoutBook);
  const auto bookMove = AnalyzeMove(withBook, 1, 1000);
  ASSERT_NE(bookMove, AnalyzeMove(withoutBook, 1, 1000)) << "the book must matter here";
  fs::copy_file(folder / "Veklo.ob2", home.path() / "Veklo.ob2");
  BrainProcess brain(
      {(home.path() / "pbrain-pentad-classic").string(), "--seed", "1", "--checks", "1000"});
  EXPECT_EQ(ParseMove(brain.Ask(view.Block())), bookMove);
}

}  // namespace
}  // namespace pentad::test
