// The command line of the pipe brain, shared by the pbrain programs and
// `pentad brain`.
#pragma once

#include <string>
#include <vector>

#include "protocol/brain.hpp"

namespace pentad::protocol {

// Parses the arguments (without the program name) and runs the brain on
// standard input and output, with `defaultEngine` unless --engine names
// another. Help and argument errors go to standard output too: a manager may
// be listening on it and must never see standard error.
int RunBrainCommandLine(const std::string& programName, const std::vector<std::string>& args,
                        engine::EngineKind defaultEngine = engine::kDefaultEngine);

}  // namespace pentad::protocol
