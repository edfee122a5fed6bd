// Victory by continuous threats: the side to move wins by fours and open
// threes, every defence tried, the defender's own fours included.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "search/search_board.hpp"
#include "search/vcf.hpp"

namespace pentad::search {

struct VctLimits {
  int64_t maxNodes = 100000;
  // Threats of the attacker (fours and threes), the first one included.
  int maxThreats = 12;
  // Each win-by-fours look-up inside the search.
  int64_t vcfNodes = 2000;
  // A search inside a timed move also ends at the move's deadline or a
  // manager's stop, as if out of nodes; both are read every few thousand
  // nodes. Without them the search depends on nothing but the node budget.
  std::optional<std::chrono::steady_clock::time_point> deadline{};
  const std::atomic<bool>* stop = nullptr;
};

enum class VctOutcome : uint8_t {
  kWin,
  kNoWin,       // no win within maxThreats
  kOutOfNodes,  // the node budget ran out first
};

struct VctResult {
  static constexpr int kMaxLine = 64 + VcfResult::kMaxLine;

  VctOutcome outcome = VctOutcome::kNoWin;
  // The attacker's first move, kNoCell without a win.
  int move = kNoCell;
  // Board nodes, those of the inner win-by-fours searches included.
  int64_t nodes = 0;
  // One way the win goes, attacker and defender moves from the root: the
  // first defence tried at each step. It stops short where a position was
  // already known to be won.
  std::array<int16_t, kMaxLine> line{};
  int lineLength = 0;
};

// A reported win is proven: every defender reply that could matter was
// tried, so the main search may trust it as a score.
class VctSearch {
 public:
  // A table of 2^tableBits entries, kept between searches.
  explicit VctSearch(int tableBits = 16);

  // A win by threats for the side to move. The board is returned unchanged.
  VctResult Search(SearchBoard& board, const VctLimits& limits);
  // Forgets every proof and failure.
  void Clear();

 private:
  enum class Proof : uint8_t { kUnknown, kWin, kFail, kAbort };

  struct Entry {
    uint64_t hash = 0;
    uint8_t threats = 0;  // the threats left when it was decided
    Proof proof = Proof::kUnknown;
  };

  // Moves from the root; deeper lines are given up as failures.
  static constexpr int kMaxPly = 64;
  using Line = std::array<int16_t, VctResult::kMaxLine>;

  Proof Attack(SearchBoard& board, int threatsLeft);
  Proof Defend(SearchBoard& board, int threatsLeft);
  Proof AttackDecided(SearchBoard& board, int threatsLeft);
  Proof DefendDecided(SearchBoard& board, int threatsLeft);
  using Decider = Proof (VctSearch::*)(SearchBoard&, int);
  Proof Remembered(SearchBoard& board, int threatsLeft, Decider decide);
  Proof TryThreats(SearchBoard& board, int threatsLeft);
  Proof TryThreat(SearchBoard& board, int cell, int threatsLeft);
  Proof TryReply(SearchBoard& board, int cell, int threatsLeft);
  Proof TryReplies(SearchBoard& board, CellSet replies, int threatsLeft, bool& first);
  int CollectThreats(const SearchBoard& board, std::array<int16_t, kMaxMoves>& threats) const;
  bool NearAttack(int cell) const;
  bool HasVcf(SearchBoard& board);
  bool AttackerVcfIfPassed(SearchBoard& board, CellSet& replies);
  CellSet SureMoveBlocks(SearchBoard& board);
  void EndLine(int cell);
  void ExtendLine(int cell);
  bool OutOfBudget();
  bool Lookup(uint64_t hash, int threatsLeft, Proof& proof) const;
  void Store(uint64_t hash, int threatsLeft, Proof proof);

  std::vector<Entry> table_;
  uint64_t mask_;
  VcfSearch vcf_{12};
  uint8_t attacker_ = kPlayerX;
  // Proofs are the attacker's: O's searches keep theirs under another key.
  uint64_t attackerKey_ = 0;
  // Threats below the root share a line with an earlier one of the attack.
  bool local_ = true;
  int ply_ = 0;
  int64_t nodes_ = 0;
  int64_t maxNodes_ = 0;
  int64_t vcfNodes_ = 0;
  int64_t nextCheck_ = 0;
  const VctLimits* limits_ = nullptr;
  // The moves from the root to the node searched.
  std::array<int16_t, kMaxPly> path_{};
  // Per ply, the winning line from that node on, built as the proof
  // returns: the line of the root is the answer's.
  std::array<Line, kMaxPly + 1> lines_{};
  std::array<int, kMaxPly + 1> lineLengths_{};
};

}  // namespace pentad::search
