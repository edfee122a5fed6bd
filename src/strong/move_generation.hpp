// The moves worth searching in a position, and how forced they are: a five
// to play, a four to block, an open three or a stronger threat to stop, or
// a quiet position where every cell near the stones is a candidate.
#pragma once

#include <array>
#include <cstdint>

#include "strong/search_board.hpp"

namespace pentad::strong {

struct ScoredMove {
  int16_t cell;
  int32_t score;
};

// A fixed list: move generation allocates nothing.
class MoveList {
 public:
  void Clear() { size_ = 0; }
  void Add(int cell, int score) { moves_[size_++] = ScoredMove{static_cast<int16_t>(cell), score}; }
  int Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  ScoredMove& operator[](int i) { return moves_[i]; }
  const ScoredMove& operator[](int i) const { return moves_[i]; }
  bool Contains(int cell) const;
  // Highest score first; equal scores keep their order.
  void SortByScore();
  // Brings the best of moves i.. to place i: a search that cuts off early
  // never sorts the rest. The first of equal scores comes first.
  const ScoredMove& PickBest(int i);
  // Moves `cell` to the front, if listed.
  void MoveToFront(int cell);

 private:
  std::array<ScoredMove, kMaxMoves> moves_;
  int size_ = 0;
};

enum class Situation : uint8_t {
  kWinNow,     // the side to move has a five: the list holds it
  kBlockFour,  // the opponent has one five to play: the list holds the block
  kDefend,     // the opponent threatens to win by force: stops, and own
               // fours that touch the threat or win
  kQuiet,      // every candidate
  kLost,       // no move stops the opponent; the list holds candidates anyway
};

// Cells where `player` makes two ways to five, or a four with an open three:
// a win in a few moves unless the other side answers first.
CellSet StrongThreats(const SearchBoard& board, uint8_t player);
bool HasStrongThreat(const SearchBoard& board, uint8_t player);
// Whether `player` can make a four (or better) in one move.
bool HasFourMove(const SearchBoard& board, uint8_t player);

// What a cell is worth to search first, from the patterns both sides make
// there.
int OrderScore(const SearchBoard& board, int cell);

// Fills `moves` (scored by OrderScore, unsorted) for the side to move. The
// board is played on to verify defences and returned unchanged.
Situation GenerateMoves(SearchBoard& board, MoveList& moves);

// Adds the side to move's fours that a defence leaves out (those away from
// the threat); whether there were any.
bool AddEveryOwnFour(const SearchBoard& board, MoveList& moves);

// Whether the side to move has a four, or a move that stops every threat
// of the opponent: GenerateMoves would not find the position lost. The
// board is returned unchanged.
bool CanAnswerThreats(SearchBoard& board);

// How many plies the opponent's threats need to a five when nothing stops
// them: the loss distance of kLost.
int PliesToLoseAgainstThreats(const SearchBoard& board);

}  // namespace pentad::strong
