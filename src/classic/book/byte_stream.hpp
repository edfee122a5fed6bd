// A read-only byte stream over a buffer or a file. Reading past the end is
// not an error: a read copies what is left and says how much that was, so a
// truncated book file loads as far as it goes and never reads outside its
// data. A file is read through a small window, never held whole, and only up
// to a byte limit: what lies beyond the limit counts as past the end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <span>
#include <vector>

namespace pentad::classic::book {

class ByteStream {
 public:
  explicit ByteStream(std::span<const uint8_t> data) : data_(data) {}
  ByteStream(std::istream& file, size_t limit)
      : file_(&file), buffer_(kWindowSize), unread_(limit) {}

  // Copies up to `size` bytes into `target`; the bytes not read keep what
  // they held.
  size_t Read(void* target, size_t size) {
    size_t copied = 0;
    while (copied < size && !AtEnd()) {
      const size_t count = std::min(size - copied, data_.size() - position_);
      std::memcpy(static_cast<uint8_t*>(target) + copied, data_.data() + position_, count);
      position_ += count;
      copied += count;
    }
    return copied;
  }

  // Bytes consumed from the start of the data.
  size_t Position() const { return windowStart_ + position_; }
  // Bytes left in a buffer (a file stream knows only its window).
  size_t Remaining() const { return data_.size() - position_; }
  bool AtEnd() { return position_ >= data_.size() && !Refill(); }

 private:
  static constexpr size_t kWindowSize = 64 * 1024;

  bool Refill() {
    if (file_ == nullptr || unread_ == 0) return false;
    file_->read(reinterpret_cast<char*>(buffer_.data()),
                static_cast<std::streamsize>(std::min(buffer_.size(), unread_)));
    const auto got = static_cast<size_t>(std::max<std::streamsize>(file_->gcount(), 0));
    if (got == 0) {
      unread_ = 0;
      return false;
    }
    windowStart_ += data_.size();
    unread_ -= got;
    data_ = std::span<const uint8_t>(buffer_.data(), got);
    position_ = 0;
    return true;
  }

  std::span<const uint8_t> data_;
  size_t position_ = 0;
  std::istream* file_ = nullptr;
  std::vector<uint8_t> buffer_;
  size_t unread_ = 0;  // bytes the limit still allows from the file
  size_t windowStart_ = 0;
};

}  // namespace pentad::classic::book
