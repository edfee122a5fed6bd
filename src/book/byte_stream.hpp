// A read-only byte stream over a buffer. Reading past the end is not an
// error: a read copies what is left and says how much that was, so a
// truncated book file loads as far as it goes and never reads outside its
// data.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pentad::book {

class ByteStream {
 public:
  explicit ByteStream(std::span<const uint8_t> data) : data_(data) {}

  // Copies up to `size` bytes into `target`; the bytes not read keep what
  // they held.
  size_t Read(void* target, size_t size) {
    const size_t count = std::min(size, Remaining());
    if (count > 0) std::memcpy(target, data_.data() + position_, count);
    position_ += count;
    return count;
  }

  size_t Position() const { return position_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return data_.size() - position_; }
  bool AtEnd() const { return position_ >= data_.size(); }

 private:
  std::span<const uint8_t> data_;
  size_t position_ = 0;
};

}  // namespace pentad::book
