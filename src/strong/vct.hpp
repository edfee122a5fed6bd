// Victory by continuous threats: the side to move wins by fours and open
// threes (and, when asked, closed threes, each a win by fours to come),
// every defence tried, the defender's own fours included.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "strong/search_board.hpp"
#include "strong/vcf.hpp"

namespace pentad::strong {

struct VctLimits {
  int64_t maxNodes = 100000;
  // Threats of the attacker on any one line of play (fours and threes, the
  // first one included; forced blocks of the defender's fours are free).
  int maxThreats = 12;
  // Each win-by-fours look-up inside the search.
  int64_t vcfNodes = 2000;
  // When fours and open threes find no win, moves that make a closed three
  // are tried too: such a move threatens a win by fours were the defender
  // to pass. They are many and their defences wide, so they come last.
  bool closedThrees = false;
  // A search inside a move also ends at the move's deadline or a
  // manager's stop, as if out of nodes; both are read every few thousand
  // nodes. Without them the search depends on nothing but the node budget.
  std::optional<std::chrono::steady_clock::time_point> deadline{};
  const std::atomic<bool>* stop = nullptr;
};

enum class VctOutcome : uint8_t {
  kWin,
  kNoWin,       // no win within maxThreats
  kOutOfNodes,  // the node budget, the deadline or a stop came first
};

struct VctResult {
  static constexpr int kMaxLine = 64 + VcfResult::kMaxLine;

  VctOutcome outcome = VctOutcome::kNoWin;
  // The attacker's first move, kNoCell without a win.
  int move = kNoCell;
  // Board nodes, those of the inner win-by-fours searches included.
  int64_t nodes = 0;
  // One way the win goes, attacker and defender moves from the root: the
  // first defence at each step. It stops short where the table no longer
  // holds the proof of the next step.
  std::array<int16_t, kMaxLine> line{};
  int lineLength = 0;
};

// A proof-number search: it always expands the position that needs the
// fewest further proofs, so a deep win with few defences is found long
// before a depth-first search would reach it. A reported win is proven:
// every defender reply that could matter was tried, so the main search may
// trust it as a score.
class VctSearch {
 public:
  // A table of 2^tableBits entries, and one of 2^vcfTableBits for the wins
  // by fours inside the search, kept between searches.
  explicit VctSearch(int tableBits = 18, int vcfTableBits = 14);

  // A win by threats for the side to move. The board is returned unchanged.
  VctResult Search(SearchBoard& board, const VctLimits& limits);
  // Forgets every proof and failure.
  void Clear();

 private:
  // Of the side to move at a node: at least how many positions must still
  // be shown won (proof) or lost (disproof) to settle that it wins. The
  // attacker wins by a proven win; the defender by any refutation.
  struct Numbers {
    uint32_t proof = 1;
    uint32_t disproof = 1;
  };
  struct Entry {
    uint64_t hash = 0;
    Numbers numbers;
  };
  // What a node needs: its moves searched, or nothing more.
  enum class Expansion : uint8_t { kOpen, kWon, kLost };

  // Moves from the root; deeper lines are given up as failures.
  static constexpr int kMaxPly = 64;
  using Moves = std::array<int16_t, kMaxMoves>;

  void Prove(SearchBoard& board, uint32_t proofLimit, uint32_t disproofLimit);
  Expansion Expand(SearchBoard& board, Moves& moves, int& count, bool& forced);
  Expansion AttackMoves(SearchBoard& board, Moves& moves, int& count, bool& forced);
  Expansion DefendMoves(SearchBoard& board, Moves& moves, int& count);
  int CollectThreats(const SearchBoard& board, Moves& threats) const;
  bool NearAttack(int cell) const;
  bool HasVcf(SearchBoard& board);
  bool AttackerVcfIfPassed(SearchBoard& board, CellSet& replies);
  CellSet SureMoveBlocks(SearchBoard& board);
  void BuildLine(SearchBoard& board, VctResult& result);
  bool OutOfBudget();
  uint64_t KeyAfter(const SearchBoard& board, int cell) const;
  uint64_t WinKey(uint64_t key) const;
  Numbers Lookup(uint64_t key) const;
  void Store(uint64_t key, Numbers numbers, bool attacking);

  std::vector<Entry> table_;
  uint64_t mask_;
  VcfSearch vcf_;
  uint8_t attacker_ = kPlayerX;
  // Proofs are the attacker's: O's searches keep theirs under another key.
  uint64_t attackerKey_ = 0;
  // Threats below the root share a line with an earlier one of the attack.
  bool local_ = true;
  // The weakest threat tried: an open three, or a closed three.
  CellPattern weakestThreat_ = CellPattern::kOpenThree;
  bool aborted_ = false;
  int ply_ = 0;
  int threats_ = 0;
  int maxThreats_ = 0;
  int64_t nodes_ = 0;
  int64_t maxNodes_ = 0;
  int64_t vcfNodes_ = 0;
  int64_t nextCheck_ = 0;
  const VctLimits* limits_ = nullptr;
  // The moves from the root to the node searched.
  std::array<int16_t, kMaxPly> path_{};
  // How an attack node found won without moves wins: its five, or its
  // win by fours.
  std::array<int16_t, VcfResult::kMaxLine> winLine_{};
  int winLineLength_ = 0;
};

}  // namespace pentad::strong
