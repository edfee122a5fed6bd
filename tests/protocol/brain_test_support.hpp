// Boards, moves and runs of the real executables for the brain's tests.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "brain_process.hpp"
#include "test_support.hpp"

namespace pentad::test {

// pbrain-pentad plays the strong engine; the classic brain's answers are
// the ones the tests can foresee exactly.
inline constexpr const char* kBrainExe = PBRAIN_EXE;
inline constexpr const char* kClassicBrainExe = PBRAIN_CLASSIC_EXE;

struct Move {
  int x;
  int y;
  bool operator==(const Move&) const = default;
};

// "X,Y" as the brain answers it.
inline std::optional<Move> ParseMove(const std::optional<std::string>& answer) {
  if (!answer) return std::nullopt;
  int x = -1, y = -1;
  char tail = 0;
  if (std::sscanf(answer->c_str(), "%d,%d%c", &x, &y, &tail) != 2) return std::nullopt;
  if (x < 0 || x >= kBoardSize || y < 0 || y >= kBoardSize) return std::nullopt;
  return Move{x, y};
}

inline std::string MoveText(Move m) {
  return std::to_string(m.x) + "," + std::to_string(m.y);
}

// The brain's view of a board: 1 own stone, 2 the opponent's, 0 empty.
struct BrainView {
  int cells[kBoardSize][kBoardSize]{};

  int& at(Move m) { return cells[m.x][m.y]; }
  int Count(int who) const {
    int n = 0;
    for (const auto& column : cells)
      for (int c : column) n += c == who;
    return n;
  }

  // The BOARD (or YXBOARD) block that sets this position.
  std::string Block(const std::string& keyword = "BOARD") const {
    std::string text = keyword + "\n";
    for (int x = 0; x < kBoardSize; ++x)
      for (int y = 0; y < kBoardSize; ++y)
        if (cells[x][y] != 0)
          text += std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cells[x][y]) +
                  "\n";
    return text + "DONE\n";
  }

  // The files a turn reads for the same position with the brain to move:
  // the brain plays "x" when both sides have as many stones, else "o".
  void WriteTurnFiles(const TempDir& dir) const {
    const char own = Count(1) == Count(2) ? 'x' : 'o';
    const char opponent = own == 'x' ? 'o' : 'x';
    std::string text;
    for (int y = 0; y < kBoardSize; ++y) {
      for (int x = 0; x < kBoardSize; ++x)
        text += cells[x][y] == 1 ? own : cells[x][y] == 2 ? opponent : '-';
      text += "\r\n";
    }
    dir.Write("Plocha.dat", text);
    dir.Write("Tah.dat", std::string(1, own) + "\r\n");
  }
};

// The view of a position file, own stones those of `own` ('x' or 'o').
inline BrainView ViewFromRows(const std::vector<std::string>& rows, char own) {
  BrainView view;
  for (int y = 0; y < static_cast<int>(rows.size()) && y < kBoardSize; ++y)
    for (int x = 0; x < static_cast<int>(rows[y].size()) && x < kBoardSize; ++x)
      if (rows[y][x] == 'x' || rows[y][x] == 'o') view.cells[x][y] = rows[y][x] == own ? 1 : 2;
  return view;
}

// `pentad analyze DIR --engine classic --seed S --checks N`: the move a turn
// makes there.
inline std::optional<Move> AnalyzeMove(const TempDir& dir, uint32_t seed, int64_t checks) {
  const auto result = RunCommand(std::string(PENTAD_EXE) + " analyze " + Quote(dir.path()) +
                                 " --engine classic --seed " + std::to_string(seed) + " --checks " +
                                 std::to_string(checks));
  if (result.status != 0) return std::nullopt;
  const auto json = nlohmann::json::parse(result.output, nullptr, false);
  if (json.is_discarded() || !json.contains("move")) return std::nullopt;
  return Move{json["move"][0].get<int>(), json["move"][1].get<int>()};
}

// A busy middle game (own stones "o"): without a limit the engine thinks
// for seconds here.
inline const std::vector<std::string> kBusyRows = {
    "--------------------", "--------------------", "--------------------", "--------------------",
    "--------------------", "--------------------", "--------------------", "--------------------",
    "---------x----------", "--------oox---------", "--------ox-x--------", "------------o-------",
    "---------x-o-x------", "------------ox------", "-----------ox-------",
};

}  // namespace pentad::test
