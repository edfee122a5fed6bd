// The strong engine from a position as the front ends hold it: the engine
// chosen by name, the search limits from a move time or a node budget, and
// one search with the side the classic engine would play.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/position.hpp"
#include "strong/strong_engine.hpp"

namespace pentad {

enum class EngineKind { kClassic, kStrong };

// "classic" or "strong"; nothing for any other name.
std::optional<EngineKind> EngineNamed(std::string_view name);
const char* EngineName(EngineKind kind);

// The strong engine's move time when a front end names none: a turn's.
inline constexpr std::chrono::milliseconds kStrongMoveTime{4500};

// No new depth starts after this share of the move: a depth takes several
// times the one before, so one started later would mostly be cut off
// unfinished. At half, a move used a third of its time on average and
// played weaker.
inline constexpr int kLastStartPercent = 70;

// `hardTime` is all the move may take; a node budget replaces the clock.
strong::SearchLimits StrongLimits(strong::SearchLimits::Clock::time_point start,
                                  std::chrono::microseconds hardTime,
                                  std::optional<int64_t> maxNodes,
                                  const std::atomic<bool>* stop = nullptr);

// One search on `board` that always comes back with a move on a board with
// an empty cell, and with kNoCell on a full one without asking the engine.
strong::SearchOutcome ThinkStrong(strong::StrongEngine& engine, const strong::SearchBoard& board,
                                  const strong::SearchLimits& limits,
                                  const strong::IterationCallback& onIteration = {});

// The search on `position` for the side the classic engine would play
// there (SideToPlay). With a node budget the engine is cleared first, so
// that the same position and budget always give the same answer.
strong::SearchOutcome DecideStrong(strong::StrongEngine& engine, const Position& position,
                                   const strong::SearchLimits& limits,
                                   const strong::IterationCallback& onIteration = {});

}  // namespace pentad
