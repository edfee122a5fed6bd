#include "options/engine_options.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pentad::options {
namespace {

// "--seed" for "seed": the name without its dashes, as the engines know it.
std::string_view BareName(const std::string& name) {
  std::string_view bare = name;
  while (bare.starts_with('-')) bare.remove_prefix(1);
  return bare;
}

}  // namespace

EngineCommandLine::EngineCommandLine(CLI::App& app, engine::EngineKind defaultKind)
    : app_(app), engine_(engine::EngineName(defaultKind)) {
  app.add_option("--engine", engine_,
                 "The engine that decides: strong (the strongest), or classic (the exact "
                 "engine of the file-exchange turn)")
      ->check(CLI::IsMember(engine::EngineNames()))
      ->capture_default_str();
  app.add_option("--nodes", options_.nodes,
                 "Strong engine: a budget of N nodes per decision instead of the clock "
                 "(reproducible)")
      ->check(CLI::Range(int64_t{1}, INT64_MAX));
  app.add_option("--threads", options_.threads,
                 "Strong engine: search threads (default 1; more make a node budget "
                 "irreproducible)")
      ->check(CLI::Range(1, 64));
  app.add_option("--seed", options_.seed,
                 "Classic engine: seed of the random generator (default: the time of day)")
      ->check(CLI::Range(0LL, 4294967295LL));
  app.add_option("--checks", options_.checks,
                 "Classic engine: a budget of N time checks per decision instead of the clock "
                 "(reproducible)")
      ->check(CLI::Range(int64_t{0}, INT64_MAX));
}

void EngineCommandLine::AddMoveTime() {
  app_.add_option("--move-time", options_.moveTimeMs,
                  "Milliseconds a decision may take (default: a turn's 4500)")
      ->check(CLI::Range(int64_t{1}, int64_t{3'600'000}));
}

void EngineCommandLine::AddBookDir() {
  app_.add_option("--book-dir", bookDir_,
                  "Classic engine: directory of the book files and \"LEARN.ini\"")
      ->check(CLI::ExistingDirectory);
}

void EngineCommandLine::RefuseOptionsOfOtherEngine() const {
  const engine::EngineKind kind = *engine::EngineNamed(engine_);
  for (const CLI::Option* option : app_.get_options()) {
    if (option->count() == 0) continue;
    const std::string name = option->get_name();
    const auto owner = engine::OwnerOfOption(BareName(name));
    if (!owner || *owner == kind) continue;
    throw CLI::ValidationError(name, std::string("applies to the ") + engine::EngineName(*owner) +
                                         " engine only: add --engine " +
                                         engine::EngineName(*owner));
  }
}

engine::EngineOptions EngineCommandLine::Options() const {
  engine::EngineOptions options = options_;
  options.kind = *engine::EngineNamed(engine_);
  if (!bookDir_.empty()) options.bookDir = bookDir_;
  return options;
}

}  // namespace pentad::options
