// The engine's front door: one decision from a position. Every front end
// (the turn, analyze, the pipe brain, the browser board) decides through it.
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

#include "driver/position_files.hpp"
#include "driver/time_budget.hpp"
#include "select/select_move.hpp"

namespace pentad {

struct DecisionSettings {
  std::optional<uint32_t> seed;   // default: the time of day
  std::optional<int64_t> checks;  // default: the wall clock
  std::filesystem::path dataDir;  // book files and "LEARN.ini"
  // Long-running front ends keep their books here between decisions;
  // without it every decision reads its book anew.
  book::BookCache* books = nullptr;
  TimeBudget::Clock::time_point start = TimeBudget::Clock::now();
  std::chrono::microseconds budget = TimeBudget::kTurnBudget;
  const std::atomic<bool>* stop = nullptr;
  std::function<void(int depth, int64_t checks, int64_t elapsedMs)> onDepth;
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

// The side the engine plays: the side read, or, when the side file named
// neither, the side whose turn it is by the stone counts.
uint8_t EngineSideFor(const Position& position);

uint32_t TimeOfDaySeed();

Decision Decide(const Position& position, const DecisionSettings& settings);

// The board as the engine's own evaluation sees it before deciding.
Board EvaluatedBoard(const Position& position, uint32_t seed);

}  // namespace pentad
