#include "text/utf8.hpp"

#include <utility>

namespace pentad::text {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Bytes of the sequence `lead` starts; 0 when no well-formed one starts so.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The second byte is narrower after some leads: that shuts out overlong
// forms, surrogates and code points above U+10FFFF.
std::pair<unsigned char, unsigned char> SecondByteRange(unsigned char lead) {
  switch (lead) {
    case 0xE0:
      return {0xA0, 0xBF};
    case 0xED:
      return {0x80, 0x9F};
    case 0xF0:
      return {0x90, 0xBF};
    case 0xF4:
      return {0x80, 0x8F};
    default:
      return {0x80, 0xBF};
  }
}

}  // namespace

Utf8Unit NextUtf8Unit(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const size_t length = SequenceLength(byte(0));
  if (length == 0) return {1, false};
  size_t i = 1;
  for (; i < length && i < text.size(); ++i) {
    const auto [low, high] =
        i == 1 ? SecondByteRange(byte(0)) : std::pair<unsigned char, unsigned char>{0x80, 0xBF};
    if (byte(i) < low || byte(i) > high) return {i, false};
  }
  return {i, i == length};
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Utf8Unit unit = NextUtf8Unit(text);
    out += unit.valid ? text.substr(0, unit.length) : kReplacement;
    text.remove_prefix(unit.length);
  }
  return out;
}

std::optional<size_t> FirstInvalidUtf8(std::string_view text) {
  for (size_t offset = 0; offset < text.size();) {
    const Utf8Unit unit = NextUtf8Unit(text.substr(offset));
    if (!unit.valid) return offset;
    offset += unit.length;
  }
  return std::nullopt;
}

}  // namespace pentad::text
