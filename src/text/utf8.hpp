// Text from outside (engines, browsers, file names) is bytes that need not be
// UTF-8, while JSON and SGF must be. The front ends check and repair it here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pentad::text {

// The first character of `text` (not empty): its length in bytes, or, when
// no well-formed character starts there, the length of the maximal
// ill-formed part to skip. Overlong forms, surrogates and code points past
// U+10FFFF are ill-formed.
struct Utf8Unit {
  size_t length = 1;
  bool valid = true;
};
Utf8Unit NextUtf8Unit(std::string_view text);

// `text` with every ill-formed part replaced by U+FFFD, as JSON and SGF
// readers expect.
std::string ValidUtf8(std::string_view text);

// The offset of the first byte that starts no well-formed character.
std::optional<size_t> FirstInvalidUtf8(std::string_view text);

}  // namespace pentad::text
