#include "match/sgf.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "match/engine_text.hpp"
#include "text/utf8.hpp"

namespace pentad::match {
namespace {

// The collection says CA[UTF-8]; names come from the command line and may
// be in any encoding.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : pentad::text::ValidUtf8(text)) {
    if (c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string Coordinates(Point p) {
  return {static_cast<char>('a' + p.x), static_cast<char>('a' + p.y)};
}

char ColourOf(Side side) {
  return side == Side::kX ? 'B' : 'W';
}

std::string ResultText(const GameRecord& record) {
  const auto winner = record.Winner();
  if (!winner) return "0";
  std::string result = std::string(1, ColourOf(*winner)) + "+";
  if (record.loss == LossKind::kTime) result += "T";
  if (record.loss == LossKind::kIllegal || record.loss == LossKind::kCrash) result += "F";
  return result;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::string RootComment(const GameRecord& record) {
  std::vector<std::string> lines;
  if (record.openingIndex >= 0)
    lines.push_back("Opening " + std::to_string(record.openingIndex + 1) + ": the first " +
                    std::to_string(record.openingLength) + " moves");
  if (const auto loser = record.Loser(); loser && record.loss != LossKind::kFive) {
    lines.push_back(std::string(1, ColourOf(*loser)) + " (" + record.names[IndexOf(*loser)] +
                    ") lost: " + record.reason);
  }
  if (record.outcome == Outcome::kDraw) lines.push_back("Draw: " + record.reason);
  for (Side side : {Side::kX, Side::kO}) {
    for (const std::string& note : record.startNotes[IndexOf(side)])
      lines.push_back(std::string(1, ColourOf(side)) + " at start: " + note);
  }
  for (const std::string& note : record.finalNotes) lines.push_back("Last answer: " + note);
  return JoinLines(lines);
}

}  // namespace

std::string GameSgf(const GameRecord& record, const std::string& date) {
  std::string sgf = "(;FF[4]GM[4]SZ[20]CA[UTF-8]";
  sgf += "GN[" + Escaped("Game " + std::to_string(record.number)) + "]";
  sgf += "PB[" + Escaped(record.names[0]) + "]PW[" + Escaped(record.names[1]) + "]";
  if (!date.empty()) sgf += "DT[" + date + "]";
  sgf += "RE[" + ResultText(record) + "]";
  if (const std::string comment = RootComment(record); !comment.empty())
    sgf += "C[" + Escaped(comment) + "]";
  sgf += "\n";
  for (size_t i = 0; i < record.moves.size(); ++i) {
    sgf += ";";
    sgf += ColourOf(SideOfMove(i));
    sgf += "[" + Coordinates(record.moves[i]) + "]";
    std::vector<std::string> comment;
    if (i < record.moveTimes.size() && record.moveTimes[i])
      comment.push_back("time " + std::to_string(record.moveTimes[i]->count()) + " ms");
    if (i < record.notes.size())
      comment.insert(comment.end(), record.notes[i].begin(), record.notes[i].end());
    if (!comment.empty()) sgf += "C[" + Escaped(JoinLines(comment)) + "]";
    if (i % 10 == 9) sgf += "\n";
  }
  return sgf + ")\n";
}

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

SgfCollection::~SgfCollection() {
  if (fd_ >= 0) close(fd_);
}

bool SgfCollection::Open(const std::filesystem::path& path, std::string* error) {
  path_ = path;
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) *error = "cannot write " + path.string() + ": " + std::strerror(errno);
  return fd_ >= 0;
}

bool SgfCollection::Append(const GameRecord& record, std::string* error) {
  const std::string text = GameSgf(record, TodayText());
  std::lock_guard lock(mutex_);
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t written = write(fd_, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      *error = "cannot write " + path_.string() + ": " + std::strerror(errno);
      return false;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace pentad::match
