// What the user names as an engine: a command line, its kind and the
// directory its private working directories are filled from.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pentad::match {

enum class PlayerKind { kFile, kPipe };

struct EngineSetup {
  std::string name;               // as games and summaries show it
  std::vector<std::string> argv;  // argv[0] an absolute path
  PlayerKind kind = PlayerKind::kFile;
  std::filesystem::path dataDir;  // empty: start with an empty directory
};

// Splits a command line into words as a shell would, without expansions:
// blanks separate, single and double quotes group, a backslash escapes the
// next character. nullopt for an unclosed quote.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view text);

// The executable `command` names: a path when it holds a "/", else the
// first match along PATH. Made absolute, because engines run in other
// directories. nullopt when there is no such executable file.
std::optional<std::filesystem::path> ResolveExecutable(const std::string& command);

// Pipe brains are known by their name starting with "pbrain-".
PlayerKind KindFromName(const std::filesystem::path& executable);

const char* KindName(PlayerKind kind);

// Parses `command` (an existing file's path as it is, else a command line)
// into a setup named after the executable. nullopt and `error` on failure.
std::optional<EngineSetup> ParseEngine(const std::string& command, std::string* error);

}  // namespace pentad::match
