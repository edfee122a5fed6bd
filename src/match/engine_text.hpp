// What engines write is untrusted bytes. Everything of it that reaches a
// record (the JSON summary, the game collection, the terminal) passes
// through here first, and so do the answers the moves are read from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "match/rules.hpp"

namespace pentad::match {

// A line an engine wrote, fit for a one-line report: valid UTF-8, control
// characters shown as "?", cut after `maxLength` bytes of whole characters.
std::string Printable(std::string_view text, size_t maxLength = 60);

// The first word of a brain's line in upper case, for telling lines apart.
std::string FirstWordUpper(std::string_view line);

// Lines a brain may write at any time besides its answers.
bool IsSideLine(std::string_view line);

// A move read from an engine's answer; without a point, `error` says why
// (empty when the engine left no answer at all).
struct AnswerReading {
  std::optional<Point> point;
  std::string error;
};

// A brain's answer line, side lines already skipped.
AnswerReading ReadBrainAnswer(std::string_view line);

// A file engine's side file after its turn: its first line holds the move.
// The side letter the runner wrote, left as it was, counts as no answer.
AnswerReading ReadMoveFile(std::string_view content, Side side);

// The non-empty lines of a file engine's message file, at most `maxLines`.
std::vector<std::string> NoteLines(std::string_view content, size_t maxLines);

}  // namespace pentad::match
