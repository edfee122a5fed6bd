// Victory by continuous fours: the side to move wins if it can make four
// after four, every reply forced, until a five cannot be stopped.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "strong/search_board.hpp"

namespace pentad::strong {

struct VcfLimits {
  int64_t maxNodes = 100000;
  // Fours of the attacker, the first one included.
  int maxFours = 40;
  // After the first four, only fours that share a window with a move of
  // the line so far: a win by fours nearly always builds on its own
  // stones and blocks, and far fewer lines are tried. A win this misses is
  // only missed, never false.
  bool relatedFours = false;
  // A search at the root also ends at the move's deadline or a manager's
  // stop, as if out of nodes; both are read at the first node and every
  // thousand nodes or so after. Without them the search depends on nothing
  // but the node budget, and reads no clock: the many small searches at
  // the leaves leave both to the main search.
  std::optional<std::chrono::steady_clock::time_point> deadline{};
  const std::atomic<bool>* stop = nullptr;
};

enum class VcfOutcome : uint8_t {
  kWin,
  kNoWin,       // no win by fours within maxFours
  kOutOfNodes,  // the node budget, the deadline or a stop came first
};

struct VcfResult {
  static constexpr int kMaxLine = 2 * 64;

  VcfOutcome outcome = VcfOutcome::kNoWin;
  // The attacker's first move, kNoCell without a win.
  int move = kNoCell;
  int64_t nodes = 0;
  // Attacker and defender moves from the root; it ends with the five, or
  // with the move that makes two ways to five.
  std::array<int16_t, kMaxLine> line{};
  int lineLength = 0;
  // Plies from the root to the five: the line's, and when it ends with two
  // fives the defender's block of one and the other.
  int plies = 0;
};

class VcfSearch {
 public:
  // A table of 2^tableBits entries, kept between searches.
  explicit VcfSearch(int tableBits = 16);

  // A win by fours for the side to move. The board is returned unchanged.
  VcfResult Search(SearchBoard& board, const VcfLimits& limits);
  // Forgets every proof and failure.
  void Clear();

 private:
  enum class Proof : uint8_t { kUnknown, kWin, kFail, kAbort };
  // Which fours a failure tried: a failure holds only for searches that
  // try no more.
  enum class Scope : uint8_t {
    kEveryFour,
    kRelatedBelow,  // every first four here, related ones below
    kRelatedHere,   // related ones here too, below the first four above
  };

  struct Entry {
    uint64_t hash = 0;
    int16_t move = kNoCell;
    uint8_t fours = 0;  // the fours left when it failed
    Proof proof = Proof::kUnknown;
    Scope scope = Scope::kEveryFour;
  };

  bool OutOfBudget();
  bool Interrupted() const;
  Proof Attack(SearchBoard& board, int foursLeft);
  Proof TryFour(SearchBoard& board, int cell, int foursLeft);
  Proof TryEach(SearchBoard& board, CellSet cells, int foursLeft);
  CellSet FoursToTry(const SearchBoard& board, CellPattern pattern) const;
  bool IsAttackingMove(const SearchBoard& board, int cell) const;
  bool Holds(const Entry& entry, int foursLeft, int ply) const;
  bool FailsAfterBlock(const SearchBoard& board, int cell, int foursLeft) const;
  void Store(uint64_t hash, Proof proof, int move, int foursLeft);
  void Push(int cell);
  void WinWith(int cell);

  std::vector<Entry> table_;
  uint64_t mask_;
  uint8_t attacker_ = kPlayerX;
  bool relatedFours_ = false;
  int64_t nodes_ = 0;
  int64_t maxNodes_ = 0;
  int64_t nextCheck_ = 0;
  const VcfLimits* limits_ = nullptr;
  std::array<int16_t, VcfResult::kMaxLine> path_{};
  int pathLength_ = 0;
  VcfResult* result_ = nullptr;
};

}  // namespace pentad::strong
