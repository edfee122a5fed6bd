// Opening records and the opening book: positions from the first moves of a
// game, each with one answer square and how that answer has fared, matched
// against the board under the eight symmetries of the square.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "classic/book/byte_stream.hpp"
#include "classic/book/ordered_list.hpp"

namespace pentad::classic::book {

// One stone, in window coordinates inside a record.
class WindowSquare {
 public:
  WindowSquare() = default;
  WindowSquare(int8_t x_, int8_t y_) : x(x_), y(y_) {}

  int8_t x = 0;
  int8_t y = 0;
};

// Descending x, then descending y.
int32_t CompareSquares(const WindowSquare* a, const WindowSquare* b);

// The stones of one player; Normalize sorts them by CompareSquares.
class PlayerMoves : public OrderedList<WindowSquare> {
 public:
  PlayerMoves();
};

// answerX, answerY, wins and losses: stored and copied as one packed block,
// exactly as the book file lays them out.
inline constexpr size_t kAnswerBlockSize = 10;

class OpeningRecord {
 public:
  OpeningRecord() = default;
  OpeningRecord(const OpeningRecord&) = delete;
  OpeningRecord& operator=(const OpeningRecord&) = delete;

  // Shifts the position into its window: the stones' bounding box widened
  // by 7 on every side and clipped to the board. Sorts both lists and
  // recomputes origin, extents and stone count; the answer moves along.
  void Normalize();
  // The origin Normalize would choose, for a position in board coordinates.
  void WindowOffset(int& ox, int& oy) const;
  std::unique_ptr<OpeningRecord> Clone() const;
  // Image under forward (Apply) or inverse (Undo) symmetry k, normalised.
  void ApplySymmetry(int k);
  void UndoSymmetry(int k);

  void AddOwnMove(int x, int y);
  void AddOppMove(int x, int y);

  void StoreAnswerBlock(uint8_t block[kAnswerBlockSize]) const;
  void LoadAnswerBlock(const uint8_t block[kAnswerBlockSize]);

  int8_t originX = 0;
  int8_t originY = 0;
  int8_t extentX = 0;
  int8_t extentY = 0;
  int8_t stoneCount = 0;
  PlayerMoves ownMoves;  // the player to move, for whom the answer is meant
  PlayerMoves oppMoves;
  int8_t answerX = -1;  // -1, -1: no answer
  int8_t answerY = -1;
  uint32_t wins = 0;
  uint32_t losses = 0;
  uint8_t symmetry = 1;

 private:
  void ApplyEntry(int k, bool inverse);
};

// The stone count first, then the stones of the common length of each pair of
// lists. Larger values first, as in CompareSquares.
int32_t ComparePositions(const OpeningRecord* a, const OpeningRecord* b);
// ComparePositions, then the answer square.
int32_t CompareOpenings(const OpeningRecord* a, const OpeningRecord* b);

// One answer the book gives for the current position, in board coordinates.
class FoundAnswer {
 public:
  int8_t answerX = -1;
  int8_t answerY = -1;
  uint32_t wins = 0;
  uint32_t losses = 0;
};

// Where a record lay in its file, for the tools that inspect books.
struct RecordLayout {
  const OpeningRecord* record = nullptr;
  size_t offset = 0;
  size_t size = 0;  // bytes actually read
  uint32_t ownCountField = 0;
  uint32_t oppCountField = 0;
  bool complete = false;  // false when the file ends inside the record
};

struct BookFileLayout {
  int32_t declaredCount = 0;
  bool headerComplete = false;
  std::vector<RecordLayout> records;  // in file order
  size_t trailingBytes = 0;           // left after the records read
};

// Bounds on reading a book file: a file far larger than any real book must
// cost a move neither its time nor the process its memory.
struct BookLoadLimits {
  size_t maxBytes = size_t{8} << 20;
  // Asked every few hundred records; true ends the load early, keeping the
  // records read so far.
  std::function<bool()> stop;
};

// Finds a record equal to a position, takes it out of the lookup and hands
// over a copy; nullptr when none is left.
using RecordTaker = std::function<std::unique_ptr<OpeningRecord>(const OpeningRecord& image)>;

// The lookup of a book: the position under each of the eight symmetries in
// turn, pass after pass until a pass finds nothing, one answer (in board
// coordinates) per record taken.
bool CollectAnswers(const OpeningRecord& query, const RecordTaker& take,
                    std::vector<std::unique_ptr<FoundAnswer>>& results);

// The book: its records sorted by CompareOpenings, until a lookup sorts
// them by ComparePositions.
class OpeningBook : public OrderedList<OpeningRecord> {
 public:
  OpeningBook();

  std::string fileName;

  // The whole of fileName, without limits.
  bool Load() { return LoadFromFile(); }
  // Reads the file through a small window, within `limits`; `complete`
  // is false when `limits.stop` ended the load, so that another load may
  // read more.
  bool LoadFromFile(const BookLoadLimits& limits = {}, bool* complete = nullptr);
  // The file's bytes: the record count, then the records.
  bool LoadFromBytes(std::span<const uint8_t> data, BookFileLayout* layout = nullptr);

  // Appends one answer for every record that matches `query` (board
  // coordinates, ownMoves the player to move, stoneCount set) under some
  // symmetry and takes those records out of the book.
  bool FindAnswers(std::vector<std::unique_ptr<FoundAnswer>>& results, const OpeningRecord& query);

 private:
  // The record count, then the records; false when `stop` ended it early.
  bool LoadRecords(ByteStream& stream, BookFileLayout* layout, const std::function<bool()>& stop);
  void ReadOpening(OpeningRecord& record, ByteStream& stream, RecordLayout* layout = nullptr);
};

// Record bytes exactly as the book file holds them.
void WriteOpening(const OpeningRecord& record, std::vector<uint8_t>& out);
std::vector<uint8_t> BookBytes(const OpeningBook& book);

}  // namespace pentad::classic::book
