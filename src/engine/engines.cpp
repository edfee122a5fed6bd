#include "engine/engines.hpp"

#include <algorithm>
#include <cmath>

#include "classic/decision/turn.hpp"
#include "engine/adapters.hpp"
#include "strong/strong_engine.hpp"

namespace pentad::engine {
namespace {

struct EngineEntry {
  EngineKind kind;
  const char* name;
  const char* aboutName;
  std::unique_ptr<Engine> (*make)(const EngineOptions&);
  BenchReport (*bench)(std::span<const BenchPosition>);
};

// The classic engine comes first: `pentad bench` prints its signature first.
constexpr EngineEntry kEngines[] = {
    {EngineKind::kClassic, "classic", "pentad-classic", MakeClassicEngine, BenchClassic},
    {EngineKind::kStrong, "strong", "pentad", MakeStrongEngine, BenchStrong},
};

struct OptionOwner {
  std::string_view option;
  EngineKind owner;
};

constexpr OptionOwner kOptionOwners[] = {
    {"seed", EngineKind::kClassic},     {"checks", EngineKind::kClassic},
    {"book-dir", EngineKind::kClassic}, {"cells", EngineKind::kClassic},
    {"threats", EngineKind::kClassic},  {"nodes", EngineKind::kStrong},
    {"threads", EngineKind::kStrong},
};

const EngineEntry& EntryOf(EngineKind kind) {
  return *std::find_if(std::begin(kEngines), std::end(kEngines),
                       [kind](const EngineEntry& e) { return e.kind == kind; });
}

}  // namespace

std::optional<int> ProvenPlies(int score) {
  return strong::PliesToResult(score);
}

double WinRate(int score) {
  if (const auto plies = ProvenPlies(score)) return *plies > 0 ? 1.0 : 0.0;
  constexpr double kScale = 200.0;
  return 1.0 / (1.0 + std::exp(-score / kScale));
}

std::optional<int> Result::ProvenPlies() const {
  if (!score) return std::nullopt;
  return engine::ProvenPlies(*score);
}

std::optional<EngineKind> OwnerOfOption(std::string_view name) {
  for (const OptionOwner& o : kOptionOwners)
    if (o.option == name) return o.owner;
  return std::nullopt;
}

std::optional<std::string> OptionOfOtherEngine(EngineKind kind,
                                               std::span<const std::string_view> given) {
  for (const std::string_view name : given) {
    const auto owner = OwnerOfOption(name);
    if (owner && *owner != kind) return std::string(name);
  }
  return std::nullopt;
}

std::optional<EngineKind> EngineNamed(std::string_view name) {
  for (const EngineEntry& e : kEngines)
    if (e.name == name) return e.kind;
  return std::nullopt;
}

const char* EngineName(EngineKind kind) {
  return EntryOf(kind).name;
}

std::vector<std::string> EngineNames() {
  std::vector<std::string> names;
  for (const EngineEntry& e : kEngines) names.emplace_back(e.name);
  return names;
}

const char* AboutName(EngineKind kind) {
  return EntryOf(kind).aboutName;
}

std::unique_ptr<Engine> MakeEngine(const EngineOptions& options) {
  return EntryOf(options.kind).make(options);
}

Request RequestFor(const EngineOptions& options, const Position& position, Clock::time_point start,
                   std::optional<int64_t> maxNode, const std::atomic<bool>* stop) {
  Request request;
  request.position = position;
  request.seed = options.seed;
  Limits& limits = request.limits;
  limits.start = start;
  if (options.moveTimeMs) limits.moveTime = std::chrono::milliseconds(*options.moveTimeMs);
  if (options.kind == EngineKind::kClassic) {
    limits.checks = options.checks ? options.checks : maxNode;
  } else {
    limits.nodes = options.nodes ? options.nodes : maxNode;
  }
  limits.stop = stop;
  return request;
}

void RunFileTurn(const std::filesystem::path& dir, Clock::time_point start) {
  classic::RunTurn(dir, start);
}

std::vector<BenchReport> BenchEngines(std::span<const BenchPosition> positions) {
  std::vector<BenchReport> reports;
  for (const EngineEntry& e : kEngines) reports.push_back(e.bench(positions));
  return reports;
}

}  // namespace pentad::engine
