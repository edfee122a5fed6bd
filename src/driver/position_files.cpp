#include "driver/position_files.hpp"

#include <fstream>
#include <system_error>

namespace pentad {
namespace {

// A line keeps this many bytes: the 20 squares and the byte after them,
// which tells a CR that ends a 20-square line from a longer line.
constexpr size_t kKeptLineLength = kBoardSize + 1;

std::optional<std::string> ReadPositionPrefix(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  PositionTextPrefix prefix;
  char chunk[16384];
  for (;;) {
    in.read(chunk, sizeof chunk);
    const auto n = static_cast<size_t>(in.gcount());
    if (n == 0 || !prefix.Feed(std::string_view(chunk, n))) break;
  }
  if (in.bad()) return std::nullopt;
  return prefix.Text();
}

}  // namespace

void ParsePositionText(std::string_view text, Position& position) {
  size_t lineStart = 0;
  for (int y = 0; y < kBoardSize; ++y) {
    std::string_view line;
    if (lineStart < text.size()) {
      size_t lineEnd = text.find('\n', lineStart);
      if (lineEnd == std::string_view::npos) lineEnd = text.size();
      line = text.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    if (line.empty()) return;  // an empty or missing line ends the board
    for (int x = 0; x < kBoardSize && x < static_cast<int>(line.size()); ++x) {
      Cell& cell = position.board.at(x, y);
      switch (line[x]) {
        case 'x':
        case 'o':
          cell.occupant = line[x] == 'x' ? kPlayerX : kPlayerO;
          cell.value = kOccupiedValue;
          ++position.stoneCount;
          break;
        case '-':
          cell.occupant = kEmpty;
          cell.ownDouble = cell.oppDouble = cell.ownThreat = cell.oppThreat = 0;
          break;
        default:
          break;
      }
    }
  }
}

bool PositionTextPrefix::Feed(std::string_view piece) {
  while (!piece.empty() && lineEnds_ < kBoardSize) {
    const size_t end = piece.find('\n');
    const std::string_view part = piece.substr(0, end);
    if (lineLength_ < kKeptLineLength) text_.append(part.substr(0, kKeptLineLength - lineLength_));
    lineLength_ += part.size();
    if (end == std::string_view::npos) break;
    text_ += '\n';
    ++lineEnds_;
    lineLength_ = 0;
    piece.remove_prefix(end + 1);
  }
  return lineEnds_ < kBoardSize;
}

uint8_t SideCodeOf(std::string_view sideText) {
  if (sideText.empty()) return 0;
  if (sideText[0] == 'x') return kPlayerX;
  if (sideText[0] == 'o') return kPlayerO;
  return 0;
}

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

std::string MoveText(int x, int y) {
  return std::to_string(x) + "," + std::to_string(y) + "\r\n";
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

bool LearnFilePresent(const std::filesystem::path& dir) {
  return FindFileIgnoringCase(dir, kLearnFileName).has_value();
}

std::string PositionText(const Board& board) {
  std::string text;
  text.reserve(kBoardSize * (kBoardSize + 2));
  for (int y = 0; y < kBoardSize; ++y) {
    for (int x = 0; x < kBoardSize; ++x) {
      const uint8_t occupant = board.at(x, y).occupant;
      text += occupant == kPlayerX ? 'x' : occupant == kPlayerO ? 'o' : '-';
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace pentad
