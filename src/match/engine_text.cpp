#include "match/engine_text.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

namespace pentad::match {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kNoteLength = 200;

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

struct Unit {
  size_t length = 1;  // bytes: a character, or a maximal ill-formed part
  bool valid = true;
};

Unit NextUnit(std::string_view text) {
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

// C0 and C1 controls and DEL: they would move the cursor or start escape
// sequences on a terminal, and break one-line reports.
bool IsControl(std::string_view character) {
  const auto first = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) return first < 0x20 || first == 0x7f;
  return character.size() == 2 && first == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
}

std::string_view FirstLine(std::string_view text) {
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string UnparsableMove(std::string_view answer) {
  return "unparsable move \"" + Printable(answer) + "\"";
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Unit unit = NextUnit(text);
    out += unit.valid ? text.substr(0, unit.length) : kReplacement;
    text.remove_prefix(unit.length);
  }
  return out;
}

std::string Printable(std::string_view text, size_t maxLength) {
  const std::string valid = ValidUtf8(text);
  std::string out;
  for (std::string_view rest = valid; !rest.empty();) {
    const std::string_view character = rest.substr(0, NextUnit(rest).length);
    if (out.size() + character.size() > maxLength) {
      out += "...";
      break;
    }
    out += IsControl(character) ? "?" : character;
    rest.remove_prefix(character.size());
  }
  return out;
}

std::string FirstWordUpper(std::string_view line) {
  std::string word;
  for (char c : line) {
    if (c == ' ' || c == '\t') {
      if (word.empty()) continue;
      break;
    }
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word;
}

bool IsSideLine(std::string_view line) {
  const std::string word = FirstWordUpper(line);
  return word.empty() || word == "MESSAGE" || word == "DEBUG" || word == "UNKNOWN" ||
         word == "ERROR";
}

AnswerReading ReadBrainAnswer(std::string_view line) {
  if (auto point = ParsePoint(line)) return {point, ""};
  return {std::nullopt, UnparsableMove(line)};
}

AnswerReading ReadMoveFile(std::string_view content, Side side) {
  const std::string_view line = FirstLine(content);
  if (auto point = ParsePoint(line)) return {point, ""};
  if (line.empty() || line == std::string(1, LetterOf(side))) return {};
  return {std::nullopt, UnparsableMove(line)};
}

std::vector<std::string> NoteLines(std::string_view content, size_t maxLines) {
  std::vector<std::string> lines;
  while (!content.empty() && lines.size() < maxLines) {
    const size_t end = std::min(content.find('\n'), content.size());
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(Printable(line, kNoteLength));
    content.remove_prefix(std::min(end + 1, content.size()));
  }
  return lines;
}

}  // namespace pentad::match
