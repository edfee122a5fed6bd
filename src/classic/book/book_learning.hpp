// The book writer: finished games update the answer records of the two
// book files, so the engine finds each position played again, in any of the
// eight orientations, with the square that was played and how it fared.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "classic/book/opening_book.hpp"
#include "classic/book/recorded_game.hpp"

namespace pentad::classic::book {

struct LearnCounts {
  int recordsAdded = 0;
  int recordsUpdated = 0;
};

// One book file of a directory, loaded for updating.
class LearnedBook {
 public:
  LearnedBook(const std::filesystem::path& dir, int bookNumber);

  // False, with a message, when the file exists but cannot be read or is
  // damaged: rewriting it would change records nobody asked to change.
  bool Load(std::string& error);
  // Adds a win or a loss to the record of `position` with `answer` (board
  // coordinates), or a new record when the book has none under any
  // symmetry.
  void Learn(const OpeningRecord& position, int answerX, int answerY, bool moverWon,
             LearnCounts& counts);
  // The file as it is to be written, records in book order.
  std::vector<uint8_t> Bytes();
  // Writes a temporary file next to the book and renames it over the book.
  // `pentad book learn` commits both books together instead.
  bool Write(std::string& error);

  bool Changed() const { return changed_; }
  const std::filesystem::path& Path() const { return path_; }
  const OpeningBook& Book() const { return book_; }

 private:
  OpeningRecord* FindSameOpening(const OpeningRecord& position, int answerX, int answerY) const;
  void Index(OpeningRecord* record);

  std::filesystem::path path_;
  OpeningBook book_;
  // Records by their stones, for finding the image of a position quickly.
  std::unordered_map<std::string, std::vector<OpeningRecord*>> byStones_;
  bool changed_ = false;
};

// The positions a game teaches: those of 1 and 3 to 9 stones (0 and 2 are
// settled by the first-move rules). Draws and unknown results teach nothing.
struct LearnedPosition {
  std::unique_ptr<OpeningRecord> position;  // board coordinates, ownMoves the mover's
  GameMove answer;
  bool moverWon = false;
};
std::vector<LearnedPosition> PositionsOf(const RecordedGame& game);

// The stones of a record as a key: equal keys, equal positions.
std::string StonesKey(const OpeningRecord& record);

}  // namespace pentad::classic::book
