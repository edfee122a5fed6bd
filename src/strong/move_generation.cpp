#include "strong/move_generation.hpp"

#include <algorithm>

namespace pentad::strong {
namespace {

using C = CellPattern;

// Ordering values per cell pattern, for the side to move's own patterns
// and for the opponent's patterns it takes away.
constexpr std::array<int, kCellPatternCount> kAttackValue = {0,  4,   12,  10,  24,   200,
                                                             30, 600, 700, 900, 20000};
constexpr std::array<int, kCellPatternCount> kDefenceValue = {0,  2,   8,   6,   16,   150,
                                                              20, 400, 450, 500, 10000};
// Finer grain within a cell pattern: what each line adds.
constexpr std::array<int, kLinePatternCount> kLineValue = {0, 1, 3, 3, 6, 8, 10, 0};

// The lines' values summed, per packed line patterns of one side.
constexpr std::array<int16_t, 1 << (4 * kPackedLineBits)> MakeLinesValue() {
  std::array<int16_t, 1 << (4 * kPackedLineBits)> values{};
  for (int packed = 0; packed < static_cast<int>(values.size()); ++packed) {
    for (int d = 0; d < 4; ++d) values[packed] += kLineValue[packed >> (kPackedLineBits * d) & 7];
  }
  return values;
}

constexpr auto kLinesValue = MakeLinesValue();

bool IsSureThreat(C pattern) {
  return pattern == C::kOpenFour || pattern == C::kDoubleFour;
}

// A move of `player`'s that makes two ways to five.
bool HasSureThreat(const SearchBoard& board, uint8_t player) {
  return board.Count(player, C::kOpenFour) + board.Count(player, C::kDoubleFour) > 0;
}

// A four-three's four is blocked first. When that block is a four of the
// defender's, the defender gains the move that stops the three: the
// four-three no longer wins by force.
struct FourThreeBlock {
  int cell;
  bool gainsAFour;
};

// Read off the board without playing, unless the attacker already has a
// five to play, which the four's own line does not tell.
FourThreeBlock BlockOf(SearchBoard& board, int fourThree, uint8_t attacker) {
  const uint8_t defender = kOpponent[attacker];
  if (board.Count(attacker, C::kFive) == 0) {
    const int cell = board.FiveAfterFour(fourThree, attacker);
    const bool gainsAFour =
        cell != kNoCell && board.CellPatternWith(cell, defender, fourThree, attacker) >= C::kFour;
    return {cell, gainsAFour};
  }
  board.Place(fourThree, attacker);
  const int cell = board.Cells(attacker, C::kFive).First();
  const bool gainsAFour = cell != kNoCell && board.CellPatternAt(cell, defender) >= C::kFour;
  board.Unmake();
  return {cell, gainsAFour};
}

// No move of `attacker`'s wins by force any more: none makes two ways to
// five, and every four-three's block gives the defender a four.
bool ThreatsStopped(SearchBoard& board, uint8_t attacker) {
  if (HasSureThreat(board, attacker)) return false;
  const CellSet fourThrees = board.Cells(attacker, C::kFourThree);
  bool stopped = true;
  fourThrees.ForEach(
      [&](int cell) { stopped = stopped && BlockOf(board, cell, attacker).gainsAFour; });
  return stopped;
}

// Only a stone on a threat cell or inside the window of one of its threat
// lines (an open three or better) takes the threat away, so a defence is
// there for every threat. A four-three is also met by a stone that makes
// the block of its four a four of the defender's: such stones lie within
// a window of that block, and must still take every sure threat (two ways
// to five) away. Each candidate is then played to check that no threat is
// left.
// With `firstOnly`, the search for defences ends at the first one found.
// `threatWindows`, when given, gets every cell a stone on which touches a
// threat: its cell and the windows of its threat lines.
void AddDefences(SearchBoard& board, const CellSet& threats, MoveList& moves, bool firstOnly,
                 CellSet* threatWindows = nullptr) {
  const uint8_t opponent = kOpponent[board.SideToMove()];
  std::array<uint8_t, kGridCells> hits{};
  std::array<uint8_t, kGridCells> sureHits{};
  std::array<int16_t, 1 + 8 * kWindowReach> firstWindow{};
  // Four-threes past the 16th add no candidates near their blocks.
  std::array<int16_t, 16> blocks{};
  int firstWindowSize = 0;
  int threatCount = 0;
  int sureCount = 0;
  int blockCount = 0;
  threats.ForEach([&](int threat) {
    const bool first = threatCount++ == 0;
    const bool sure = IsSureThreat(board.CellPatternAt(threat, opponent));
    sureCount += sure;
    if (!sure && blockCount < static_cast<int>(blocks.size())) {
      if (const int block = BlockOf(board, threat, opponent).cell; block != kNoCell) {
        blocks[blockCount++] = static_cast<int16_t>(block);
      }
    }
    auto hit = [&](int cell) {
      ++hits[cell];
      sureHits[cell] += sure;
      if (threatWindows != nullptr) threatWindows->Insert(cell);
      if (first) firstWindow[firstWindowSize++] = static_cast<int16_t>(cell);
    };
    hit(threat);
    for (int d = 0; d < 4; ++d) {
      if (board.LinePatternAt(threat, d, opponent) < LinePattern::kOpenThree) continue;
      for (int k = 1; k <= kWindowReach; ++k) {
        for (const int cell : {threat + k * kStep[d], threat - k * kStep[d]}) {
          if (board.Stone(cell) == kEmpty) hit(cell);
        }
      }
    }
  });
  CellSet tried;
  // Whether to stop looking.
  auto tryCell = [&](int cell) {
    if (tried.Contains(cell)) return false;
    tried.Insert(cell);
    board.Make(cell);
    const bool stops = ThreatsStopped(board, opponent);
    board.Unmake();
    if (!stops) return false;
    moves.Add(cell, OrderScore(board, cell));
    return firstOnly;
  };
  for (int i = 0; i < firstWindowSize; ++i) {
    const int cell = firstWindow[i];
    if (hits[cell] == threatCount && tryCell(cell)) return;
  }
  for (int b = 0; b < blockCount; ++b) {
    for (int d = 0; d < 4; ++d) {
      for (int k = -kWindowReach; k <= kWindowReach; ++k) {
        const int cell = blocks[b] + k * kStep[d];
        if (board.Stone(cell) == kEmpty && sureHits[cell] == sureCount && tryCell(cell)) return;
      }
    }
  }
}

// A four makes the opponent answer first, which may break its threat: when
// its stone lands in a threat's windows, or when it threatens more than one
// five (two fives, or a four with an open three). A lone four elsewhere
// mostly puts the same threat off by two plies; the search adds such fours
// after the answers (AddEveryOwnFour) where it has depth to spare. With no
// other answer, every four stays (no windows given).
void AddOwnFours(const SearchBoard& board, MoveList& moves, const CellSet* threatWindows) {
  const uint8_t me = board.SideToMove();
  for (const C pattern : {C::kOpenFour, C::kDoubleFour, C::kFourThree, C::kFour}) {
    board.Cells(me, pattern).ForEach([&](int cell) {
      if (pattern == C::kFour && threatWindows && !threatWindows->Contains(cell)) return;
      if (!moves.Contains(cell)) moves.Add(cell, OrderScore(board, cell));
    });
  }
}

void AddNearStones(const SearchBoard& board, MoveList& moves) {
  for (int y = 0; y < kBoardSize; ++y) {
    for (int x = 0; x < kBoardSize; ++x) {
      const int cell = CellAt(x, y);
      if (board.Stone(cell) != kEmpty) continue;
      bool near = false;
      for (int dy = -2; dy <= 2 && !near; ++dy) {
        for (int dx = -2; dx <= 2 && !near; ++dx) {
          const int other = cell + dy * kStride + dx;
          near = board.Stone(other) == kPlayerX || board.Stone(other) == kPlayerO;
        }
      }
      if (near) moves.Add(cell, OrderScore(board, cell));
    }
  }
}

// Every cell where either side makes at least a two; when no such cell is
// left, the empty cells near the stones, on an empty board the centre, and
// failing all that any empty cell: only a full board has no move.
void AddQuiet(const SearchBoard& board, MoveList& moves) {
  auto isCandidate = [](C pattern) { return pattern >= C::kTwo && pattern < C::kFive; };
  ForEachBoardCell([&](int cell) {
    if (isCandidate(board.CellPatternAt(cell, kPlayerX)) ||
        isCandidate(board.CellPatternAt(cell, kPlayerO)))
      moves.Add(cell, OrderScore(board, cell));
  });
  if (!moves.Empty()) return;
  AddNearStones(board, moves);
  if (!moves.Empty()) return;
  if (board.StoneCount() == 0) {
    moves.Add(CellAt(kBoardSize / 2, kBoardSize / 2), 0);
    return;
  }
  for (int cell = 0; cell < kGridCells && moves.Empty(); ++cell) {
    if (board.Stone(cell) == kEmpty) moves.Add(cell, 0);
  }
}

}  // namespace

bool MoveList::Contains(int cell) const {
  for (int i = 0; i < size_; ++i) {
    if (moves_[i].cell == cell) return true;
  }
  return false;
}

// Insertion sort: stable, in place (std::stable_sort may allocate), and
// quick on lists of tens of moves.
void MoveList::SortByScore() {
  for (int i = 1; i < size_; ++i) {
    const ScoredMove move = moves_[i];
    int j = i;
    for (; j > 0 && moves_[j - 1].score < move.score; --j) moves_[j] = moves_[j - 1];
    moves_[j] = move;
  }
}

// The best score is kept apart from its index: reading it back through the
// index made every step wait for the last.
const ScoredMove& MoveList::PickBest(int i) {
  int best = i;
  int bestScore = moves_[i].score;
  for (int j = i + 1; j < size_; ++j) {
    const int score = moves_[j].score;
    if (score > bestScore) {
      best = j;
      bestScore = score;
    }
  }
  std::swap(moves_[i], moves_[best]);
  return moves_[i];
}

void MoveList::MoveToFront(int cell) {
  for (int i = 0; i < size_; ++i) {
    if (moves_[i].cell != cell) continue;
    std::rotate(moves_.begin(), moves_.begin() + i, moves_.begin() + i + 1);
    return;
  }
}

CellSet StrongThreats(const SearchBoard& board, uint8_t player) {
  CellSet threats = board.Cells(player, C::kOpenFour);
  threats |= board.Cells(player, C::kDoubleFour);
  threats |= board.Cells(player, C::kFourThree);
  return threats;
}

bool HasStrongThreat(const SearchBoard& board, uint8_t player) {
  return board.Count(player, C::kFourThree) + board.Count(player, C::kDoubleFour) +
             board.Count(player, C::kOpenFour) >
         0;
}

bool HasFourMove(const SearchBoard& board, uint8_t player) {
  return board.Count(player, C::kFour) > 0 || HasStrongThreat(board, player);
}

int OrderScore(const SearchBoard& board, int cell) {
  const uint8_t me = board.SideToMove();
  const uint8_t opponent = kOpponent[me];
  return kAttackValue[static_cast<int>(board.CellPatternAt(cell, me))] +
         kDefenceValue[static_cast<int>(board.CellPatternAt(cell, opponent))] +
         kLinesValue[board.PackedLinePatternsAt(cell, me)] +
         kLinesValue[board.PackedLinePatternsAt(cell, opponent)];
}

Situation GenerateMoves(SearchBoard& board, MoveList& moves) {
  const uint8_t me = board.SideToMove();
  const uint8_t opponent = kOpponent[me];
  moves.Clear();
  if (board.Count(me, C::kFive) > 0) {
    moves.Add(board.Cells(me, C::kFive).First(), kAttackValue.back());
    return Situation::kWinNow;
  }
  if (const int fives = board.Count(opponent, C::kFive); fives > 0) {
    moves.Add(board.Cells(opponent, C::kFive).First(), kDefenceValue.back());
    return fives == 1 ? Situation::kBlockFour : Situation::kLost;
  }
  Situation situation = Situation::kQuiet;
  if (HasStrongThreat(board, opponent) && !ThreatsStopped(board, opponent)) {
    CellSet threatWindows;
    AddDefences(board, StrongThreats(board, opponent), moves, false, &threatWindows);
    AddOwnFours(board, moves, &threatWindows);
    if (moves.Empty()) AddOwnFours(board, moves, nullptr);
    situation = moves.Empty() ? Situation::kLost : Situation::kDefend;
  }
  if (moves.Empty()) AddQuiet(board, moves);
  return situation;
}

bool AddEveryOwnFour(const SearchBoard& board, MoveList& moves) {
  const int before = moves.Size();
  AddOwnFours(board, moves, nullptr);
  return moves.Size() > before;
}

bool CanAnswerThreats(SearchBoard& board) {
  const uint8_t me = board.SideToMove();
  const uint8_t opponent = kOpponent[me];
  if (!HasStrongThreat(board, opponent) || HasFourMove(board, me)) return true;
  MoveList defence;
  AddDefences(board, StrongThreats(board, opponent), defence, true);
  return !defence.Empty();
}

int PliesToLoseAgainstThreats(const SearchBoard& board) {
  const uint8_t opponent = kOpponent[board.SideToMove()];
  if (board.Count(opponent, C::kFive) >= 2) return 2;
  // A move, the threat, its block (and for a four-three the open four and
  // its block), then the five.
  return HasSureThreat(board, opponent) ? 4 : 6;
}

}  // namespace pentad::strong
