#include "classic/book/consultation.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "classic/book/book_cache.hpp"
#include "classic/book/opening_book.hpp"

namespace pentad::classic {
namespace {

using book::FoundAnswer;
using book::OpeningRecord;

constexpr int32_t kPrunedValue = -1;
constexpr int32_t kForbiddenValue = -100000;
constexpr int32_t kSureWinBonus = 200000;
constexpr int32_t kExcludedBelow = -5000;
constexpr uint32_t kMostAdjustment = 40000;

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// How many wins make an answer a sure book win: fewer as the game goes on.
int WinsThreshold(int stoneCount) {
  return 13 - (stoneCount + 1) / 2;
}

// With "LEARN.ini" present the book explores more, less so as the game
// goes on.
uint32_t NoiseRange(bool learning, int stoneCount) {
  if (!learning) return 10;
  return static_cast<uint32_t>(std::max(49 - 3 * ((stoneCount + 1) / 2), 1));
}

bool WeakCell(const Cell& cell) {
  return cell.oppThreat < kThreatFour && cell.ownThreat < kThreatFour;
}

// Cells far below the best candidate are not worth a search; with a five
// or an open four on the board only the cells that meet it stay.
void PruneCell(Cell& cell, uint8_t bestOppThreat, int32_t bestValue) {
  if (bestOppThreat == kThreatFive) {
    if (cell.oppThreat < kThreatFive) cell.value = kPrunedValue;
  } else if (bestOppThreat == kThreatFreeFour) {
    if (WeakCell(cell)) cell.value = kPrunedValue;
  } else if (static_cast<int64_t>(cell.value) * 10 < bestValue && WeakCell(cell)) {
    cell.value = kPrunedValue;
  }
}

void ReadQueryAndPrune(Board& board, const CandidateRecord& best, uint8_t own,
                       OpeningRecord& query) {
  const uint8_t opponent = kOpponent[own & 3];
  for (int x = 0; x < kBoardSize; ++x) {
    for (int y = 0; y < kBoardSize; ++y) {
      Cell& cell = board.at(x, y);
      if (cell.occupant == own) {
        query.AddOwnMove(x, y);
      } else if (cell.occupant == opponent) {
        query.AddOppMove(x, y);
      } else {
        PruneCell(cell, best.oppThreat, best.value);
      }
    }
  }
  query.stoneCount = static_cast<int8_t>(query.ownMoves.Count() + query.oppMoves.Count());
}

void AddNoise(Board& board, const CandidateList& candidates, uint32_t range, Random& random) {
  for (const CandidateRecord& candidate : candidates.slots) {
    const auto r = static_cast<int32_t>(random.Below(range));
    if (!OnBoard(candidate.x, candidate.y)) continue;
    Cell& cell = board.at(candidate.x, candidate.y);
    cell.value = Clamp32(static_cast<int64_t>(cell.value / 10) + r);
  }
}

// Turns one stored answer into a change of its cell's value; returns true
// when it is a sure win.
bool ApplyAnswer(const FoundAnswer& answer, int threshold, Board& board) {
  if (!OnBoard(answer.answerX, answer.answerY)) return false;
  Cell& cell = board.at(answer.answerX, answer.answerY);
  const uint32_t w = answer.wins, l = answer.losses;
  int64_t value = cell.value;
  bool sure = false;
  if (w == 0 && l > 0) {
    if (l > static_cast<uint32_t>(std::max(threshold, 4))) {
      value = kForbiddenValue;
    } else {
      value -= static_cast<int64_t>(std::min(l * 200u, kMostAdjustment)) + 1;
    }
  } else if (w > 0 && (l == 0 || w / (static_cast<uint64_t>(l) + 1) > 5)) {
    if (w > static_cast<uint32_t>(std::max(threshold, 3))) {
      value += kSureWinBonus;
      sure = true;
    } else {
      value += static_cast<int64_t>(std::min(((w + 4) / 4) * 800u, kMostAdjustment)) + 1;
    }
  } else if (w > 0) {
    value += (static_cast<int64_t>(w) - static_cast<int64_t>(l)) * 50;
  }
  cell.value = Clamp32(value);
  return sure;
}

void RefreshCandidates(const Board& board, CandidateList& candidates) {
  for (CandidateRecord& candidate : candidates.slots) {
    if (!OnBoard(candidate.x, candidate.y)) continue;
    candidate.value = board.at(candidate.x, candidate.y).value;
    if (candidate.value < kExcludedBelow) candidate.excluded = 1;
  }
}

// A quarter of the move at most goes to reading a book; a book too large
// for that is played as far as it was read.
constexpr int kBookReadShare = 4;

// A missing or unreadable book is a book without answers (nullptr).
std::shared_ptr<const book::SharedBook> OpenBook(const BookSource& source, const TimeBudget& time) {
  if (source.file.empty()) return nullptr;
  book::BookLoadLimits limits;
  limits.stop = [&time] { return time.PastShareOfBudget(kBookReadShare); };
  if (source.cache != nullptr) return source.cache->Get(source.file, limits);
  bool complete = false;
  return book::LoadSharedBook(source.file, limits, complete);
}

}  // namespace

std::string BookFileName(int stoneCount) {
  return "Veklo.ob" + std::to_string(stoneCount % 2 != 0 ? 2 : 1);
}

BookOutcome ConsultBook(Board& board, CandidateList& candidates, int stoneCount, uint8_t engineSide,
                        const BookSource& source, Random& random, const TimeBudget& time) {
  BookOutcome outcome;
  OpeningRecord query;
  std::vector<std::unique_ptr<FoundAnswer>> results;
  const auto openingBook = OpenBook(source, time);
  ReadQueryAndPrune(board, candidates.at(1), engineSide, query);
  if (openingBook && openingBook->FindAnswers(results, query)) {
    for (const auto& answer : results)
      outcome.answers.push_back({answer->answerX, answer->answerY, answer->wins, answer->losses});
    AddNoise(board, candidates, NoiseRange(source.learning, stoneCount), random);
    const int threshold = WinsThreshold(stoneCount);
    for (const auto& answer : results)
      outcome.sureWin = ApplyAnswer(*answer, threshold, board) || outcome.sureWin;
  }
  RefreshCandidates(board, candidates);
  ResortCandidates(candidates);
  return outcome;
}

}  // namespace pentad::classic
