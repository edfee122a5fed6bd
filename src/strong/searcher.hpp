// The main search: principal-variation alpha-beta under iterative deepening
// with aspiration windows, forced replies, late-move reductions, and a win
// by fours looked for at the leaves; around it, at the root, the looks for
// wins by fours and threats of either side that settle the move or narrow
// the moves searched.
#pragma once

#include <array>
#include <atomic>
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

// Threads that search beside the main search, sharing its main table: what
// they store there makes the main search's iterations cheaper.
class SearchHelpers {
 public:
  virtual ~SearchHelpers() = default;
  // Starts them on the root moves the main search is about to deepen on.
  virtual void Start(const SearchBoard& board, const MoveList& rootMoves,
                     const SearchLimits& limits) = 0;
  // Stops them and waits for them; the nodes they searched.
  virtual int64_t Stop() = 0;
  // Their nodes so far, for the reports of the main search.
  virtual int64_t Nodes() const = 0;
  // The main search finished this depth: a helper still on it or below
  // moves ahead.
  virtual void MainFinishedDepth(int depth) = 0;
};

// One searcher runs one search at a time; the tables it is given may be
// shared.
class Searcher {
 public:
  Searcher(TranspositionTable& table, VcfSearch& vcf, VctSearch& vct);

  // The main search: the root's tactics and the deepening, with `helpers`
  // (if any) deepening beside it meanwhile.
  SearchOutcome Run(const SearchBoard& board, const SearchLimits& limits,
                    const IterationCallback& onIteration, SearchHelpers* helpers = nullptr);
  // A helper's search: the deepening alone on the main search's root moves,
  // one or two depths ahead of the depth the main search last finished
  // (`mainDepth`) by `helperIndex`, until `limits` end it; its node count
  // goes to `nodes` as it grows.
  void RunHelper(const SearchBoard& board, const MoveList& rootMoves, const SearchLimits& limits,
                 int helperIndex, const std::atomic<int>& mainDepth, std::atomic<int64_t>& nodes);
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
  void StartSearch(const SearchBoard& board, const SearchLimits& limits);
  void DropExcludedRootMoves();
  bool IsExcluded(int cell) const;
  void Deepen(SearchOutcome& outcome, const IterationCallback& onIteration);
  void StartHelpers(SearchHelpers* helpers);
  void DeepenAhead(int depthsAhead);
  bool MainCaughtUp() const;
  void StopHelpers();
  int64_t AllNodes() const;
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
  std::optional<int> StaticCut(bool pvNode, int beta, int depth) const;
  void AddLoneFours(int ply);
  bool HasLoneFour(int ply) const;
  int SearchMoves(int alpha, int beta, int depth, int ply, Situation situation, int ttMove);
  int Leaf(int ply);
  bool OpponentHasNoVcfEvenAfterPass();
  void OrderMoves(MoveList& moves, Situation situation, int ply, int ttMove) const;
  void RewardCutoff(int cell, int depth, int ply);
  void UpdatePv(int ply, int cell);

  // What both use: wins by fours, and the budget.
  bool FindVcf(VcfLimits vcfLimits);
  std::optional<int> LeafVcfWin(int ply);
  VcfOutcome OpponentVcfWereItToMove(VcfLimits vcfLimits);
  static VcfLimits LeafVcfLimits();
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
  // The main search's helpers while they run; a helper's published count.
  SearchHelpers* helpers_ = nullptr;
  std::atomic<int64_t>* publishedNodes_ = nullptr;
  bool isHelper_ = false;
  // A helper's depth, and the main search's last finished one.
  int helperDepth_ = 0;
  const std::atomic<int>* mainDepth_ = nullptr;

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
  // The leaves at this ply were shown by their parent to hold no win by
  // fours for the side to move.
  std::array<bool, kMaxPly> leafVcfRuledOut_{};
  std::array<CellSet, kMaxPly> loneFours_{};
  std::array<int, kMaxPly> loneFourCount_{};
  std::array<bool, kMaxPly> loneFoursLeftOut_{};
  int loneFoursInLine_ = 0;
  std::array<std::array<int16_t, 2>, kMaxPly> killers_{};
  std::array<std::array<int32_t, kGridCells>, 2> history_{};
};

}  // namespace pentad::strong
