// The labelled tactics positions of tests/data/tactics (and of our own set,
// bench/strength/tactics) as search boards.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "strong/search_board.hpp"

namespace pentad::strong::test {

inline constexpr const char* kTacticsDir = "tests/data/tactics";
inline constexpr const char* kOwnTacticsDir = "bench/strength/tactics";

struct Tactic {
  std::string name;
  SearchBoard board;
  std::string kind;    // "win" or "defend"
  std::string tactic;  // "fours", "threes" or empty for defences
  // For a win the moves that win; for a defence those that hold.
  std::vector<int> winningMoves;

  bool Labels(int move) const {
    return std::ranges::find(winningMoves, move) != winningMoves.end();
  }
};

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Just the fields the tests need; the files are ours and regular.
inline std::string StringField(const std::string& json, const std::string& field) {
  const std::string key = "\"" + field + "\": \"";
  const size_t at = json.find(key);
  if (at == std::string::npos) return "";
  const size_t from = at + key.size();
  return json.substr(from, json.find('"', from) - from);
}

inline std::vector<int> WinningMoves(const std::string& json) {
  std::vector<int> moves;
  const size_t from = json.find("\"winning_moves\": [") + 18;
  std::istringstream list(json.substr(from, json.find("]]", from) - from + 1));
  char bracket, comma;
  int x, y;
  while (list >> bracket >> x >> comma >> y >> bracket) {
    moves.push_back(CellAt(x, y));
    list >> comma;
  }
  return moves;
}

inline Tactic LoadTactic(const std::filesystem::path& dir) {
  const std::string json = ReadFile(dir / "puzzle.json");
  const uint8_t side = ReadFile(dir / "Tah.dat").starts_with("o") ? kPlayerO : kPlayerX;
  return Tactic{dir.filename().string(), SearchBoardFromRows(ReadFile(dir / "Plocha.dat"), side),
                StringField(json, "kind"), StringField(json, "tactic"), WinningMoves(json)};
}

// Every position of a set, a folder of the source tree, in name order.
inline std::vector<Tactic> LoadTacticSet(const std::string& set = kTacticsDir) {
  const std::filesystem::path root = std::filesystem::path(PENTAD_SOURCE_DIR) / set;
  std::vector<std::filesystem::path> dirs;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    if (entry.is_directory()) dirs.push_back(entry.path());
  }
  std::sort(dirs.begin(), dirs.end());
  std::vector<Tactic> tactics;
  for (const auto& dir : dirs) tactics.push_back(LoadTactic(dir));
  return tactics;
}

// The positions of tests/data/tactics won by `tactic`; "" for the defences.
inline std::vector<Tactic> LoadTactics(const std::string& tactic) {
  std::vector<Tactic> tactics = LoadTacticSet();
  std::erase_if(tactics, [&tactic](const Tactic& t) { return t.tactic != tactic; });
  return tactics;
}

inline Tactic LoadTactic(const std::string& set, const std::string& name) {
  return LoadTactic(std::filesystem::path(PENTAD_SOURCE_DIR) / set / name);
}

}  // namespace pentad::strong::test
