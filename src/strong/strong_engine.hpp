// The strong engine's front door: one search from a position, with the
// limits a front end sets, reporting each finished depth. An engine object
// keeps its tables between moves of a game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/stones.hpp"
#include "strong/search_board.hpp"
#include "strong/search_types.hpp"

namespace pentad::strong {

inline constexpr size_t kDefaultHashBytes = size_t{64} << 20;

// More threads than this gain nothing on the machines Pentad meets.
inline constexpr int kMaxThreads = 64;

class StrongEngine {
 public:
  // Tables of at most `hashBytes` together, searched by `threads` threads.
  explicit StrongEngine(size_t hashBytes = kDefaultHashBytes, int threads = 1);
  ~StrongEngine();
  StrongEngine(const StrongEngine&) = delete;
  StrongEngine& operator=(const StrongEngine&) = delete;

  void SetHashBytes(size_t hashBytes);
  // Threads beyond the first deepen beside the main search and share its
  // table (1 to kMaxThreads). One thread keeps a node budget reproducible.
  void SetThreads(int threads);
  int Threads() const;
  // Forgets everything learnt: a new game, or a reproducible search.
  void Clear();

  // The move for the side to move of `board`. The board is not changed.
  SearchOutcome Think(const SearchBoard& board, const SearchLimits& limits,
                      const IterationCallback& onIteration = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The search board of `stones`, `sideToMove` to move.
SearchBoard SearchBoardFrom(const Stones& stones, uint8_t sideToMove);

}  // namespace pentad::strong
