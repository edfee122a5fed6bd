#include "classic/book/book_inspection.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include "common/regular_file.hpp"

namespace pentad::classic::book {
namespace {

constexpr int kMargin = 7;
constexpr int kLastLine = 19;
constexpr uint32_t kCountLimit = 128;

std::string Square(int x, int y) {
  return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

std::string Hex32(uint32_t value) {
  static const char* digits = "0123456789abcdef";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
  return text;
}

void CheckCountField(const char* list, uint32_t field, std::vector<std::string>& problems) {
  if (field > 0xFF)
    problems.push_back(std::string(list) + " count field " + Hex32(field) +
                       " uses more than its low byte");
  if ((field & 0xFF) >= kCountLimit)
    problems.push_back(std::string(list) + " count " + std::to_string(field & 0xFF) +
                       " is not below " + std::to_string(kCountLimit));
}

void CheckOrder(const char* list, const PlayerMoves& stones, std::vector<std::string>& problems) {
  bool outOfOrder = false;
  for (int i = 1; i < stones.Count(); ++i) {
    const int32_t c = CompareSquares(stones.At(i - 1), stones.At(i));
    if (c == 0)
      problems.push_back(std::string(list) + " stone " + Square(stones.At(i)->x, stones.At(i)->y) +
                         " is listed twice");
    outOfOrder = outOfOrder || c > 0;
  }
  if (outOfOrder)
    problems.push_back(std::string(list) + " stones are not in descending order (x first, then y)");
}

void CheckOverlap(const OpeningRecord& record, std::vector<std::string>& problems) {
  std::set<std::pair<int, int>> own;
  for (int i = 0; i < record.ownMoves.Count(); ++i)
    own.insert({record.ownMoves.At(i)->x, record.ownMoves.At(i)->y});
  for (int i = 0; i < record.oppMoves.Count(); ++i) {
    const WindowSquare* stone = record.oppMoves.At(i);
    if (own.count({stone->x, stone->y}) != 0)
      problems.push_back("square " + Square(stone->x, stone->y) + " holds stones of both players");
  }
}

// Some board placement of the stones must normalise to exactly these
// window coordinates and this extent: the inverse symmetries use the stored
// extent, so any other value sends the answer to the wrong square.
void CheckAxis(char axis, int low, int high, int extent, std::vector<std::string>& problems) {
  const std::string name(1, axis);
  if (low < 0 || high > kLastLine) {
    problems.push_back("stones lie off the board along " + name + " (" + std::to_string(low) +
                       " to " + std::to_string(high) + ")");
    return;
  }
  if (low > kMargin) {
    problems.push_back("not normalised along " + name + ": the nearest stone is at " +
                       std::to_string(low) + ", more than " + std::to_string(kMargin) +
                       " from the window's edge");
    return;
  }
  const int widest = std::min(high + kMargin, kLastLine);
  const int narrowest = low < kMargin ? widest : high;
  if (extent < narrowest || extent > widest) {
    const std::string expected = narrowest == widest
                                     ? std::to_string(widest)
                                     : std::to_string(narrowest) + " to " + std::to_string(widest);
    problems.push_back("extent along " + name + " is " + std::to_string(extent) +
                       ", normalising gives " + expected);
  }
}

void CheckWindow(const OpeningRecord& record, std::vector<std::string>& problems) {
  int minX = 127, minY = 127, maxX = -128, maxY = -128;
  for (const PlayerMoves* list : {&record.ownMoves, &record.oppMoves}) {
    for (int i = 0; i < list->Count(); ++i) {
      minX = std::min<int>(minX, list->At(i)->x);
      minY = std::min<int>(minY, list->At(i)->y);
      maxX = std::max<int>(maxX, list->At(i)->x);
      maxY = std::max<int>(maxY, list->At(i)->y);
    }
  }
  CheckAxis('x', minX, maxX, record.extentX, problems);
  CheckAxis('y', minY, maxY, record.extentY, problems);
}

bool OnAStone(const OpeningRecord& record, int x, int y) {
  for (const PlayerMoves* list : {&record.ownMoves, &record.oppMoves})
    for (int i = 0; i < list->Count(); ++i)
      if (list->At(i)->x == x && list->At(i)->y == y) return true;
  return false;
}

void CheckAnswer(const OpeningRecord& record, std::vector<std::string>& problems) {
  if (record.answerX == -1 && record.answerY == -1) {
    problems.push_back("no answer square");
  } else if (OnAStone(record, record.answerX, record.answerY)) {
    problems.push_back("the answer " + Square(record.answerX, record.answerY) + " is on a stone");
  }
}

}  // namespace

bool BookReport::Clean() const {
  return fileProblems.empty() && RecordsWithProblems() == 0;
}

int BookReport::RecordsWithProblems() const {
  return static_cast<int>(std::count_if(records.begin(), records.end(),
                                        [](const RecordReport& r) { return !r.problems.empty(); }));
}

int BookNumberOfFileName(std::string_view fileName) {
  const std::string_view stem = "veklo.ob";
  if (fileName.size() != stem.size() + 1) return 0;
  for (size_t i = 0; i < stem.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(fileName[i])) != stem[i]) return 0;
  if (fileName.back() == '1') return 1;
  if (fileName.back() == '2') return 2;
  return 0;
}

std::vector<std::string> RecordProblems(const OpeningRecord& record, const RecordLayout& layout,
                                        int bookNumber) {
  std::vector<std::string> problems;
  if (!layout.complete) problems.push_back("the file ends inside this record");
  CheckCountField("own", layout.ownCountField, problems);
  CheckCountField("other", layout.oppCountField, problems);
  const int own = record.ownMoves.Count(), opp = record.oppMoves.Count();
  if (record.stoneCount != own + opp)
    problems.push_back("stone count " + std::to_string(record.stoneCount) +
                       ", but the lists hold " + std::to_string(own + opp) + " stones (" +
                       std::to_string(own) + " own, " + std::to_string(opp) + " other)");
  if (own + opp == 0) {
    problems.push_back("no stones");
  } else {
    CheckOrder("own", record.ownMoves, problems);
    CheckOrder("other", record.oppMoves, problems);
    CheckOverlap(record, problems);
    CheckWindow(record, problems);
  }
  CheckAnswer(record, problems);
  if (bookNumber != 0 && record.stoneCount >= 0 && record.stoneCount % 2 + 1 != bookNumber)
    problems.push_back(std::to_string(record.stoneCount) + " stones belong in book " +
                       std::to_string(record.stoneCount % 2 + 1) + ", not in book " +
                       std::to_string(bookNumber));
  return problems;
}

BookReport InspectBook(std::span<const uint8_t> data, int bookNumber, OpeningBook& book) {
  BookReport report;
  book.LoadFromBytes(data, &report.layout);
  const BookFileLayout& layout = report.layout;
  const auto held = static_cast<int64_t>(layout.records.size());
  if (!layout.headerComplete) {
    report.fileProblems.push_back("the file is shorter than its 4-byte record count");
  } else if (layout.declaredCount > held) {
    report.fileProblems.push_back("the header announces " + std::to_string(layout.declaredCount) +
                                  " records, the file holds " + std::to_string(held));
  }
  if (layout.trailingBytes > 0)
    report.fileProblems.push_back(std::to_string(layout.trailingBytes) +
                                  " bytes after the last record");
  for (size_t i = 0; i < layout.records.size(); ++i)
    report.records.push_back(
        {static_cast<int>(i + 1),
         RecordProblems(*layout.records[i].record, layout.records[i], bookNumber)});
  return report;
}

namespace {

// A book of the largest size still reads in well under a second.
constexpr std::chrono::milliseconds kBookReadTime{10'000};

}  // namespace

std::string ReadBookFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
  const FileContents contents = ReadRegularFile(
      path, {.maxBytes = kMaxBookFileBytes, .maxTime = kBookReadTime, .followLink = true});
  if (!contents.Read()) return contents.error;
  bytes.assign(contents.bytes.begin(), contents.bytes.end());
  return "";
}

std::string StonesText(const PlayerMoves& stones) {
  if (stones.Count() == 0) return "none";
  std::string text;
  for (int i = 0; i < stones.Count(); ++i) {
    if (i > 0) text += ' ';
    text += Square(stones.At(i)->x, stones.At(i)->y);
  }
  return text;
}

}  // namespace pentad::classic::book
