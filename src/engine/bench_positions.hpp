// The fixed positions of `pentad bench`, kept as text in bench_positions.txt
// and built into the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/position.hpp"

namespace pentad::engine {

struct BenchPosition {
  std::string name;
  Position position;  // with the side named in the text as the side read
};

// Parses the text format of bench_positions.txt; throws std::runtime_error
// on a malformed position.
std::vector<BenchPosition> ParseBenchPositions(std::string_view text);

// The built-in positions, in their order in the file.
std::vector<BenchPosition> BenchPositions();

}  // namespace pentad::engine
