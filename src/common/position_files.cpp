#include "common/position_files.hpp"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

#include "common/file_lookup.hpp"

namespace pentad {
namespace {

// Reads the position text up to its 20th line end, and never more than
// kMaxPositionFileBytes: a file of gigabytes without line ends would
// otherwise cost the turn seconds of reading before it could decide.
std::optional<std::string> ReadPositionPrefix(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  PositionTextPrefix prefix;
  char chunk[16384];
  for (size_t read = 0; read < kMaxPositionFileBytes;) {
    in.read(chunk,
            static_cast<std::streamsize>(std::min(sizeof chunk, kMaxPositionFileBytes - read)));
    const auto n = static_cast<size_t>(in.gcount());
    read += n;
    if (n == 0 || !prefix.Feed(std::string_view(chunk, n))) break;
  }
  if (in.bad()) return std::nullopt;
  return prefix.Text();
}

}  // namespace

std::optional<Position> ReadPosition(const std::filesystem::path& dir,
                                     std::filesystem::path* sideFile) {
  Position position;
  if (auto positionFile = FindFileIgnoringCase(dir, kPositionFileName)) {
    if (auto text = ReadPositionPrefix(*positionFile)) ParsePositionText(*text, position);
  }
  const auto side = FindFileIgnoringCase(dir, kSideFileName);
  if (!side) return std::nullopt;
  std::ifstream in(*side, std::ios::binary);
  if (!in) return std::nullopt;
  char first = 0;
  position.sideRead = in.get(first) ? SideCodeOf(std::string_view(&first, 1)) : 0;
  if (sideFile != nullptr) *sideFile = *side;
  return position;
}

void WriteMove(const std::filesystem::path& sideFile, int x, int y) {
  {
    std::ifstream probe(sideFile, std::ios::binary);
    if (!probe) return;
  }
  std::ofstream out(sideFile, std::ios::binary | std::ios::trunc);
  if (!out) return;
  out << MoveText(x, y);
  out.flush();
}

std::filesystem::path ExecutableDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  const auto here = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : here;
}

}  // namespace pentad
