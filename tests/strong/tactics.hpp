// The labelled tactics positions of tests/data/tactics as search boards.
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

struct Tactic {
  std::string name;
  SearchBoard board;
  std::string tactic;  // "fours", "threes" or empty for defences
  std::vector<int> winningMoves;
};

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Just the two fields the tests need; the files are ours and regular.
inline std::string TacticField(const std::string& json) {
  const std::string key = "\"tactic\": \"";
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

inline std::vector<Tactic> LoadTactics(const std::string& tactic) {
  const std::filesystem::path root =
      std::filesystem::path(PENTAD_SOURCE_DIR) / "tests/data/tactics";
  std::vector<std::filesystem::path> dirs;
  for (const auto& entry : std::filesystem::directory_iterator(root)) {
    if (entry.is_directory()) dirs.push_back(entry.path());
  }
  std::sort(dirs.begin(), dirs.end());
  std::vector<Tactic> tactics;
  for (const auto& dir : dirs) {
    const std::string json = ReadFile(dir / "puzzle.json");
    if (TacticField(json) != tactic) continue;
    const uint8_t side = ReadFile(dir / "Tah.dat").starts_with("o") ? kPlayerO : kPlayerX;
    tactics.push_back(Tactic{dir.filename().string(),
                             SearchBoardFromRows(ReadFile(dir / "Plocha.dat"), side), tactic,
                             WinningMoves(json)});
  }
  return tactics;
}

}  // namespace pentad::strong::test
