// Finding a file of a directory by its name in any letter case, as the
// managers write them: the position and side files, the books and the
// learning marker.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace pentad {

// Managers write the names in any letter case: the exact name wins, else any
// entry of `dir` whose name equals `name` ignoring case. An empty `dir`
// holds no files.
std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& dir,
                                                          std::string_view name);

}  // namespace pentad
