// The engine choice and every engine's options on a command line, the same
// for `pentad analyze`, `pentad brain` and the pbrain programs.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "engine/engines.hpp"

namespace pentad::options {

class EngineCommandLine {
 public:
  // Adds --engine (default `defaultKind`), the classic engine's --seed and
  // --checks, and the strong engine's --nodes to `app`.
  EngineCommandLine(CLI::App& app, engine::EngineKind defaultKind);

  // Also --move-time, for front ends without a manager's clock.
  void AddMoveTime();
  // Also --book-dir, the classic engine's book directory (checked to exist).
  void AddBookDir();

  // After parsing: the first option of `app` given that belongs to an engine
  // other than the one chosen is an error that says how to choose its
  // engine. Front ends call it from the app's callback, so that it exits as
  // any other bad option does.
  void RefuseOptionsOfOtherEngine() const;

  engine::EngineOptions Options() const;

 private:
  CLI::App& app_;
  std::string engine_;
  engine::EngineOptions options_;
  std::string bookDir_;
};

}  // namespace pentad::options
