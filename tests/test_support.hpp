// Small helpers shared by the tests: positions from stone lists, temporary
// directories and running the real executables.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "classic/decision/decision.hpp"
#include "common/position_files.hpp"

namespace pentad::test {

// Time limits are sized for an optimised build; the sanitizers slow the
// work between two reads of the clock several times over, so a test of a
// limit allows them this much more.
#ifdef PENTAD_SANITIZED
inline constexpr int64_t kSlowBuildAllowanceMs = 250;
#else
inline constexpr int64_t kSlowBuildAllowanceMs = 0;
#endif

struct Stone {
  int x;
  int y;
  uint8_t player;
};

inline Position MakePosition(std::initializer_list<Stone> stones, uint8_t side = kPlayerX) {
  Position position;
  for (const Stone& s : stones) position.stones.Place({s.x, s.y}, s.player);
  position.sideRead = side;
  return position;
}

// Rows as in the position file: rows[y][x].
inline Position PositionFromRows(const std::vector<std::string>& rows, uint8_t side) {
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  Position position;
  ParsePositionText(text, position);
  position.sideRead = side;
  return position;
}

class TempDir {
 public:
  TempDir() {
    static std::mt19937_64 rng{std::random_device{}()};
    path_ = std::filesystem::temp_directory_path() / ("pentad-test-" + std::to_string(rng()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

struct CommandResult {
  int status;
  std::string output;
};

// Runs a shell command line and captures its standard output.
inline CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string Quote(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

// The recorded positions kept in the repository, sorted by name. A missing
// folder gives an empty list: the tests that use it fail on that, never skip.
inline std::vector<std::filesystem::path> GoldenFolders() {
  std::vector<std::filesystem::path> folders;
  std::error_code ec;
  const std::filesystem::path root = std::filesystem::path(PENTAD_GOLDEN_DIR) / "positions";
  for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (std::filesystem::is_regular_file(it->path() / "expected.json"))
      folders.push_back(it->path());
  std::sort(folders.begin(), folders.end());
  return folders;
}

inline std::string MissingGoldenData() {
  return std::string("no golden data under ") + PENTAD_GOLDEN_DIR + "/positions";
}

}  // namespace pentad::test
