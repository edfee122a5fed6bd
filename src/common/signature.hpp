// A 64-bit FNV-1a over 64-bit words: what `pentad bench` folds every answer
// of an engine into, so that equal behaviour gives an equal signature.
#pragma once

#include <cstdint>

namespace pentad {

class Signature {
 public:
  void Fold(int64_t word) {
    for (int i = 0; i < 8; ++i) {
      hash_ ^= static_cast<uint8_t>(word >> (8 * i));
      hash_ *= 0x100000001b3ULL;
    }
  }
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = 0xcbf29ce484222325ULL;
};

}  // namespace pentad
