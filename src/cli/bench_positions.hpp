#pragma once

#include <array>
#include <vector>

namespace pentad::cli {

struct BenchPosition {
  const char* name;
  char side;
  std::array<const char*, 20> rows;
};

const std::vector<BenchPosition>& BenchPositions();

}  // namespace pentad::cli
