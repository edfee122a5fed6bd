// Each engine behind the one interface, and its part of `pentad bench`.
#pragma once

#include <memory>
#include <span>

#include "engine/engines.hpp"

namespace pentad::engine {

std::unique_ptr<Engine> MakeClassicEngine(const EngineOptions& options);
std::unique_ptr<Engine> MakeStrongEngine(const EngineOptions& options);

BenchReport BenchClassic(std::span<const BenchPosition> positions);
BenchReport BenchStrong(std::span<const BenchPosition> positions);

}  // namespace pentad::engine
