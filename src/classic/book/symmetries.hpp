// The eight symmetries of the square as transforms of one point inside a
// window whose largest coordinates are the extents X and Y. Quarter turns
// and diagonal mirrors exchange the extents they are given, so a second
// transform on the same variables sees the turned window.
#pragma once

#include <array>
#include <cstdint>

namespace pentad::classic::book {

inline constexpr int kSymmetryCount = 8;

class SymmetryEntry {
 public:
  using Primitive = void (*)(int8_t& x, int8_t& y, int8_t& extentX, int8_t& extentY);

  constexpr SymmetryEntry() = default;
  constexpr explicit SymmetryEntry(Primitive first, Primitive second = nullptr)
      : first_(first), second_(second) {}

  void Apply(int8_t& x, int8_t& y, int8_t& extentX, int8_t& extentY) const {
    if (first_ != nullptr) first_(x, y, extentX, extentY);
    if (second_ != nullptr) second_(x, y, extentX, extentY);
  }

 private:
  Primitive first_ = nullptr;
  Primitive second_ = nullptr;
};

// Entry k (1..8) of the inverse table undoes entry k of the forward table
// when it is given the extents the forward entry left behind.
const SymmetryEntry& ForwardSymmetry(int k);
const SymmetryEntry& InverseSymmetry(int k);

}  // namespace pentad::classic::book
