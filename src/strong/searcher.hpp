// The main search: principal-variation alpha-beta under iterative deepening
// with aspiration windows, forced replies, late-move reductions, and a win
// by fours looked for at the leaves; around it, at the root, the looks for
// wins by fours and threats of either side that settle the move or narrow
// the moves searched.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "strong/move_generation.hpp"
#include "strong/search_board.hpp"
#include "strong/search_types.hpp"
#include "strong/transposition_table.hpp"
#include "strong/vcf.hpp"
#include "strong/vct.hpp"

namespace pentad::strong {

inline constexpr int kMaxPly = 96;

// One searcher runs one search at a time; the tables it is given may be
// shared.
class Searcher {
 public:
  Searcher(TranspositionTable& table, VcfSearch& vcf, VctSearch& vct);

  SearchOutcome Run(const SearchBoard& board, const SearchLimits& limits,
                    const IterationCallback& onIteration);
  // Forgets the move-ordering statistics.
  void Clear();

 private:
  // The root's tactics, in root_tactics.cpp: wins played without a deeper
  // look, root moves dropped when the opponent wins after them, and the
  // chosen move checked in the time left.
  bool WinsAtOnce(SearchOutcome& outcome);
  bool WinsByThreats(SearchOutcome& outcome);
  void WinsByThreatsInTimeLeft(SearchOutcome& outcome);
  void AvoidLossByThreatsInTimeLeft(SearchOutcome& outcome);
  bool OpponentWinsByThreatsAfter(int cell, const VctLimits& vctLimits);
  bool PlaysVctWin(VctLimits vctLimits, SearchOutcome& outcome);
  VcfLimits RootVcfLimits(int64_t budget) const;
  VctLimits RootVctLimits(int64_t share) const;
  void KeepMovesAgainstOpponentFours();
  bool OpponentWinsByFours();
  void KeepMovesAgainstOpponentThreats();
  bool OpponentWinsByThreats(VctLimits vctLimits);
  int VctWinPlies(const VctResult& result);

  // The alpha-beta, in searcher.cpp.
  void DropExcludedRootMoves();
  bool IsExcluded(int cell) const;
  void Deepen(SearchOutcome& outcome, const IterationCallback& onIteration);
  bool StartsAnotherIteration(int depth, int64_t lastIterationUs) const;
  bool SearchLines(int depth, int lineCount, const SearchOutcome& last);
  void SortLines();
  int Aspiration(int depth, int previous, int first);
  void KeepImprovement();
  void TakeUnfinishedImprovement(SearchOutcome& outcome) const;
  void PutMoveFirstInLines(SearchOutcome& outcome) const;
  void ReportBestMove(int cell);
  int SearchRoot(int alpha, int beta, int depth, int first);
  int Search(int alpha, int beta, int depth, int ply);
  int SearchMoves(int alpha, int beta, int depth, int ply, Situation situation, int ttMove);
  int Leaf(int ply);
  void OrderMoves(MoveList& moves, Situation situation, int ply, int ttMove) const;
  void RewardCutoff(int cell, int depth, int ply);
  void UpdatePv(int ply, int cell);

  // What both use: wins by fours, and the budget.
  bool FindVcf(VcfLimits vcfLimits);
  int VcfWinPlies();
  bool OutOfBudget();
  bool StopRequested() const;
  bool PastHardTime() const;
  std::optional<SearchLimits::Clock::time_point> TimeFromStart(
      std::chrono::microseconds span) const;
  int64_t ElapsedUs() const;

  // Fours of the attacker in any look for a win by fours.
  static constexpr int kVcfFours = 30;

  TranspositionTable& table_;
  VcfSearch& vcf_;
  VctSearch& vct_;
  SearchBoard board_;
  const SearchLimits* limits_ = nullptr;
  // Nothing without a hard time.
  std::optional<SearchLimits::Clock::time_point> hardDeadline_;
  int64_t nodes_ = 0;
  int64_t nextCheck_ = 0;
  bool aborted_ = false;
  // The opponent would win by threats were it to move at the root.
  bool opponentThreatens_ = false;

  VcfResult vcfResult_;
  MoveList rootMoves_;
  // The lines of the depth being searched, and what it reached.
  std::vector<RootLine> lines_;
  int selDepth_ = 0;
  int reportedBest_ = kNoCell;
  std::array<int16_t, kMaxPly> improvement_{};
  int improvementLength_ = 0;
  std::array<MoveList, kMaxPly> moveLists_;
  std::array<std::array<int16_t, kMaxPly>, kMaxPly> pv_{};
  std::array<int, kMaxPly> pvLength_{};
  std::array<std::array<int16_t, 2>, kMaxPly> killers_{};
  std::array<std::array<int32_t, kGridCells>, 2> history_{};
};

}  // namespace pentad::strong
