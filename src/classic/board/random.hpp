// The engine's one pseudo-random generator. Draws are part of the decision:
// every caller draws in a fixed order, so a seed fixes the move.
#pragma once

#include <cstdint>
#include <random>

namespace pentad::classic {

class Random {
 public:
  explicit Random(uint32_t seed = 0) : generator_(seed) {}

  void Seed(uint32_t seed) { generator_.seed(seed); }

  // Uniform integer in [0, n). The plain modulo keeps the draws identical to
  // every other build of the rules; a distribution object would not.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(generator_() % n); }

  // Spends `count` draws, as that many calls of Below would.
  void Skip(unsigned long long count) { generator_.discard(count); }

 private:
  std::mt19937 generator_;
};

}  // namespace pentad::classic
