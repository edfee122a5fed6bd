// libFuzzer target: arbitrary bytes as an engine's answer (a brain's line,
// a file engine's move file and message file), read as the match runner
// reads them and then written into a game record, the game collection and
// the JSON summary. Nothing of it may throw, and every record must stay
// valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "match/engine_text.hpp"
#include "match/sgf.hpp"
#include "match/summary.hpp"
#include "match/summary_json.hpp"
#include "match/summary_text.hpp"
#include "text/utf8.hpp"

namespace {

using namespace pentad::match;

constexpr size_t kMaxNotes = 50;

// A strict dump throws on bytes that are not UTF-8.
void RequireUtf8(const std::string& text) {
  (void)nlohmann::json(text).dump();
}

void RequirePrintable(const std::string& text, size_t maxLength) {
  if (text.size() > maxLength + 3) __builtin_trap();
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) __builtin_trap();
  RequireUtf8(text);
}

// Records what the runner would keep of the answers: the move when it is
// one the referee accepts, else the reason the engine loses.
void Keep(const AnswerReading& reading, const std::vector<std::string>& notes, GameRecord& record) {
  if (reading.point && !reading.error.empty()) __builtin_trap();
  if (reading.point && OnBoard(*reading.point)) {
    record.moves.push_back(*reading.point);
    record.notes.push_back(notes);
  } else if (!reading.error.empty()) {
    RequirePrintable(reading.error, 100);
    record.reason = reading.error;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view line = bytes.substr(0, bytes.find('\n'));
  RequireUtf8(pentad::text::ValidUtf8(bytes));
  RequirePrintable(Printable(line, 200), 200);

  const std::vector<std::string> notes = NoteLines(bytes, kMaxNotes);
  if (notes.size() > kMaxNotes) __builtin_trap();
  for (const std::string& note : notes) RequirePrintable(note, 200);

  GameRecord record;
  record.names = {std::string(line), "second"};  // names are the user's, unchecked
  record.outcome = Outcome::kXWins;
  record.loss = LossKind::kIllegal;
  record.startNotes[1] = {Printable(line, 200)};
  record.finalNotes = notes;
  if (!IsSideLine(line)) Keep(ReadBrainAnswer(line), notes, record);
  Keep(ReadMoveFile(bytes, Side::kO), notes, record);
  RequireUtf8(GameSgf(record, "2026-01-02"));

  MatchSettings settings;
  settings.a.name = std::string(line);
  settings.a.argv = {std::string(bytes)};
  MatchOutcome outcome;
  outcome.games = {record};
  const MatchSummary summary = Summarize(settings, outcome);
  const MatchInfo info = InfoOf(settings);
  (void)SummaryText(info, summary);
  (void)JsonText(SummaryJson(info, summary, nlohmann::ordered_json::array({GameJson(record)})));
  // What engines write must be made valid before it reaches a game's record.
  (void)GameJson(record).dump();
  return 0;
}
