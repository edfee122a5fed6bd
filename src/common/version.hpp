// The version every program reports: `--version`, and ABOUT for a manager.
// The build sets it from the project's version.
#pragma once

#include <string>

namespace pentad {

inline constexpr const char* kVersion = PENTAD_VERSION;

// "pentad 0.1.0": what `program --version` prints.
inline std::string VersionLine(const std::string& program) {
  return program + " " + kVersion;
}

}  // namespace pentad
