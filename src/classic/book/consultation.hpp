// The opening book's say in the first moves of a game.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "classic/board/board.hpp"
#include "classic/board/random.hpp"
#include "classic/select/candidates.hpp"
#include "classic/threats/time_budget.hpp"

namespace pentad::classic {

namespace book {
class BookCache;
}

// Past this many stones the book has no say.
inline constexpr int kLastBookStoneCount = 9;

// One answer the book gave, in board coordinates.
struct BookAnswer {
  int x;
  int y;
  uint32_t wins;
  uint32_t losses;
};

// The book a decision reads, as the caller found it.
struct BookSource {
  std::filesystem::path file;  // empty: no book
  bool learning = false;       // "LEARN.ini" present: the book explores more
  // Books kept between decisions; null: the file is read for this decision.
  book::BookCache* cache = nullptr;
};

// Book 1 holds the positions with an even number of stones, book 2 the odd.
std::string BookFileName(int stoneCount);

struct BookOutcome {
  bool sureWin = false;             // the best candidate is now a sure book win
  std::vector<BookAnswer> answers;  // in the order found
};

// Reads the position from `board` (the stones of `engineSide` are its own),
// prunes the cells far below the best candidate, reshapes cell and candidate
// values by the book's answers (with a noise drawn from `random` once there
// is an answer) and ranks the candidates again. A quarter of `time` at most
// goes to reading the book.
BookOutcome ConsultBook(Board& board, CandidateList& candidates, int stoneCount, uint8_t engineSide,
                        const BookSource& source, Random& random, const TimeBudget& time);

}  // namespace pentad::classic
