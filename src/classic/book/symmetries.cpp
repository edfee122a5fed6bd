#include "classic/book/symmetries.hpp"

#include <stdexcept>
#include <utility>

namespace pentad::classic::book {
namespace {

// Window coordinates are signed bytes; the sums wrap as bytes do, which
// only matters for records no writer produces.
int8_t Byte(int value) {
  return static_cast<int8_t>(value);
}

void Flip(int8_t& x, int8_t&, int8_t& extentX, int8_t&) {
  x = Byte(extentX - x);
}

void HalfTurn(int8_t& x, int8_t& y, int8_t& extentX, int8_t& extentY) {
  x = Byte(extentX - x);
  y = Byte(extentY - y);
}

void TurnOneWay(int8_t& x, int8_t& y, int8_t& extentX, int8_t& extentY) {
  const int8_t turnedX = Byte(extentY - y);
  y = x;
  x = turnedX;
  std::swap(extentX, extentY);
}

void TurnOtherWay(int8_t& x, int8_t& y, int8_t& extentX, int8_t& extentY) {
  const int8_t turnedY = Byte(extentX - x);
  x = y;
  y = turnedY;
  std::swap(extentX, extentY);
}

constexpr std::array<SymmetryEntry, kSymmetryCount> kForward = {
    SymmetryEntry(),
    SymmetryEntry(Flip),
    SymmetryEntry(TurnOneWay),
    SymmetryEntry(Flip, TurnOneWay),
    SymmetryEntry(HalfTurn),
    SymmetryEntry(Flip, HalfTurn),
    SymmetryEntry(TurnOtherWay),
    SymmetryEntry(Flip, TurnOtherWay),
};

constexpr std::array<SymmetryEntry, kSymmetryCount> kInverse = {
    SymmetryEntry(),
    SymmetryEntry(Flip),
    SymmetryEntry(TurnOtherWay),
    SymmetryEntry(TurnOtherWay, Flip),
    SymmetryEntry(HalfTurn),
    SymmetryEntry(HalfTurn, Flip),
    SymmetryEntry(TurnOneWay),
    SymmetryEntry(TurnOneWay, Flip),
};

const SymmetryEntry& Entry(const std::array<SymmetryEntry, kSymmetryCount>& table, int k) {
  if (k < 1 || k > kSymmetryCount) throw std::out_of_range("symmetry index out of range");
  return table[k - 1];
}

}  // namespace

const SymmetryEntry& ForwardSymmetry(int k) {
  return Entry(kForward, k);
}
const SymmetryEntry& InverseSymmetry(int k) {
  return Entry(kInverse, k);
}

}  // namespace pentad::classic::book
