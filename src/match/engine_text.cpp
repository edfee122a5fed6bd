#include "match/engine_text.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

#include "text/utf8.hpp"

namespace pentad::match {
namespace {

constexpr size_t kNoteLength = 200;

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

std::string Printable(std::string_view text, size_t maxLength) {
  const std::string valid = pentad::text::ValidUtf8(text);
  std::string out;
  for (std::string_view rest = valid; !rest.empty();) {
    const std::string_view character = rest.substr(0, pentad::text::NextUtf8Unit(rest).length);
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
