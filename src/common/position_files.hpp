// The file exchange with a game manager: "Plocha.dat" holds the position,
// "Tah.dat" the side to play on input and the move on output.
#pragma once

#include <filesystem>
#include <optional>

#include "common/position.hpp"

namespace pentad {

inline constexpr const char* kPositionFileName = "Plocha.dat";
inline constexpr const char* kSideFileName = "Tah.dat";

// Of the position file no more than this is read: twenty lines of twenty
// squares take 440 bytes, and lines the reading does not reach are empty.
inline constexpr size_t kMaxPositionFileBytes = size_t{1} << 20;

// Reads both files of `dir`, each found in any letter case. Without a side
// file there is nothing to answer: returns nullopt. A missing position file
// reads as an empty board. `sideFile` receives the side file found, which
// the move goes back into.
std::optional<Position> ReadPosition(const std::filesystem::path& dir,
                                     std::filesystem::path* sideFile = nullptr);

// "x,y" and CR LF, replacing what the side file held. Writes nothing when
// the file cannot be opened for reading first.
void WriteMove(const std::filesystem::path& sideFile, int x, int y);

// The directory of the running executable (the current one if unknown):
// where programs started by a manager find their data and their siblings.
std::filesystem::path ExecutableDirectory();

}  // namespace pentad
