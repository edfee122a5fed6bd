// Every engine Pentad has: chosen by name, made from the options each one
// takes, and signed by `pentad bench`. A new engine is one entry here and
// its adapter beside it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "classic/book/book_cache.hpp"
#include "engine/bench_positions.hpp"
#include "engine/engine.hpp"

namespace pentad::engine {

// A decision's time when a front end names none: a turn's.
inline constexpr std::chrono::milliseconds kDefaultMoveTime{4500};

// The engine the front ends play unless told otherwise. The file-exchange
// turn always plays the classic engine.
inline constexpr EngineKind kDefaultEngine = EngineKind::kStrong;

// The options of the engines, as every front end reads them from its
// command line or request. An option of one engine given to the other is an
// error (OptionOfOtherEngine), never silently ignored.
struct EngineOptions {
  EngineKind kind = kDefaultEngine;
  std::optional<int64_t> moveTimeMs;  // both engines
  // The classic engine's: a fixed seed for every decision (default: the
  // time of day), a budget of time checks instead of the clock, and the
  // directory of its book files and "LEARN.ini".
  std::optional<uint32_t> seed;
  std::optional<int64_t> checks;
  std::optional<std::filesystem::path> bookDir;
  // Books shared by the engines of a long-running front end; without them
  // the classic engine keeps its own.
  classic::book::BookCache* books = nullptr;
  // The strong engine's: a budget of nodes instead of the clock, and the
  // bytes its tables may take (default 64 MB).
  std::optional<int64_t> nodes;
  std::optional<size_t> hashBytes;
  // Search threads (the strong engine); 1 keeps a node budget reproducible.
  int threads = 1;
};

// The options that belong to one engine only, by the name a front end shows
// them under (without dashes or quotes): "seed", "checks", "book-dir",
// "cells", "threats" are the classic engine's, "nodes" and "threads" the
// strong one's.
std::optional<EngineKind> OwnerOfOption(std::string_view name);

// The first of `given` (option names as above) that belongs to an engine
// other than `kind`; nothing when all apply.
std::optional<std::string> OptionOfOtherEngine(EngineKind kind,
                                               std::span<const std::string_view> given);

// "classic" or "strong"; nothing for any other name.
std::optional<EngineKind> EngineNamed(std::string_view name);
const char* EngineName(EngineKind kind);
// Every engine's name, in the order the help texts list them.
std::vector<std::string> EngineNames();
// The name the engine gives a manager that asks ABOUT.
const char* AboutName(EngineKind kind);

std::unique_ptr<Engine> MakeEngine(const EngineOptions& options);

// A decision on `position` with the options' move time, seed and the
// budget of the engine chosen; `maxNode` (a manager's node limit) stands in
// for a budget the options do not set.
Request RequestFor(const EngineOptions& options, const Position& position, Clock::time_point start,
                   std::optional<int64_t> maxNode = std::nullopt,
                   const std::atomic<bool>* stop = nullptr);

// One turn of the file exchange in `dir`: always the classic engine,
// exactly as a turn decides. Never throws and never prints: a manager only
// looks at the side file.
void RunFileTurn(const std::filesystem::path& dir, Clock::time_point start);

// What `pentad bench` prints for one engine: a line per position or none,
// then the line with its signature.
struct BenchReport {
  std::vector<std::string> lines;
};

// Every engine's report on the positions, in the registry's order: the
// classic engine's first, whose last line starts with "signature: ".
std::vector<BenchReport> BenchEngines(std::span<const BenchPosition> positions);

}  // namespace pentad::engine
