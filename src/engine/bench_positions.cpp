#include "engine/bench_positions.hpp"

#include <stdexcept>

#include "engine/bench_positions_data.hpp"

namespace pentad::engine {
namespace {

constexpr std::string_view kComment = "#";

// Yields the text line by line, without line ends.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  bool Next(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(position_, end - position_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    position_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

BenchPosition ParseOne(std::string_view header, Lines& lines) {
  const size_t space = header.find(' ');
  if (space == std::string_view::npos || space + 2 != header.size())
    throw std::runtime_error("bench position header is not \"name side\": " + std::string(header));
  BenchPosition bench;
  bench.name = std::string(header.substr(0, space));
  std::string rows;
  for (int y = 0; y < kBoardSize; ++y) {
    std::string_view row;
    if (!lines.Next(row) || row.size() != kBoardSize)
      throw std::runtime_error("bench position " + bench.name + " needs 20 rows of 20");
    rows.append(row).push_back('\n');
  }
  ParsePositionText(rows, bench.position);
  bench.position.sideRead = SideCodeOf(header.substr(space + 1));
  return bench;
}

}  // namespace

std::vector<BenchPosition> ParseBenchPositions(std::string_view text) {
  std::vector<BenchPosition> positions;
  Lines lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (line.empty() || line.starts_with(kComment)) continue;
    positions.push_back(ParseOne(line, lines));
  }
  return positions;
}

std::vector<BenchPosition> BenchPositions() {
  return ParseBenchPositions(bench_data::kAssets[0].bytes);
}

}  // namespace pentad::engine
