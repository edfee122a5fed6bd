// The classic engine's front door: one decision from a position, made
// exactly as a turn makes it.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "classic/book/consultation.hpp"
#include "classic/select/decision_state.hpp"
#include "classic/select/select_move.hpp"
#include "classic/threats/time_budget.hpp"
#include "common/position.hpp"

namespace pentad::classic {

// Why the decision went the way it did, for the analysis front ends.
struct DecisionTrace {
  std::string stage;
  std::vector<std::array<int, 2>> line;
  std::vector<CandidateRecord> candidates;  // the list right after the first build
  std::vector<BookAnswer> book;
  DepthReport onDepth;
};

struct DecisionSettings {
  std::optional<uint32_t> seed;   // default: the time of day
  std::optional<int64_t> checks;  // default: the wall clock
  // With `checks`, the budget of time still ends a decision that would
  // outlive it.
  bool clockWithChecks = false;
  std::filesystem::path dataDir;  // book files and "LEARN.ini"
  // Long-running front ends keep their books here between decisions;
  // without it every decision reads its book anew.
  book::BookCache* books = nullptr;
  TimeBudget::Clock::time_point start = TimeBudget::Clock::now();
  std::chrono::microseconds budget = TimeBudget::kTurnBudget;
  const std::atomic<bool>* stop = nullptr;
  DepthReport onDepth;
};

struct Decision {
  int x = -1;
  int y = -1;
  uint32_t seed = 0;
  std::optional<int64_t> checks;
  int depth = 0;
  int64_t timeChecks = 0;
  int64_t elapsedMs = 0;
  DecisionTrace trace;
};

uint32_t TimeOfDaySeed();

// The engine state one decision on `position` starts from: its board as
// read, the side to play (SideToPlay), the generator seeded with `seed` and `time` as
// the budget. Decide, `pentad bench`, the benchmarks and the tests all start
// here.
DecisionState EngineFor(const Position& position, uint32_t seed, const TimeBudget& time = {});

// The book a decision with `stoneCount` stones reads from `dataDir`, found
// in any letter case; no file when there is none. "LEARN.ini" there turns
// the book's noise on.
BookSource BookFor(const std::filesystem::path& dataDir, int stoneCount, book::BookCache* cache);

Decision Decide(const Position& position, const DecisionSettings& settings);

// The board as the engine's own evaluation sees it before deciding.
Board EvaluatedBoard(const Position& position, uint32_t seed);

}  // namespace pentad::classic
