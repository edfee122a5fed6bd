// Reading a file that someone else controls: an engine's answer, a list of
// openings, a shard's result. The name may stand for a directory, a FIFO
// that blocks forever, a link to /dev/zero or a sparse file of gigabytes;
// only a regular file is read, never through a symbolic link, and never
// past a size and a time bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>

namespace pentad {

enum class FileProblem { kNone, kMissing, kNotRegular, kTooLarge, kTooSlow, kUnreadable };

struct FileContents {
  std::string bytes;
  FileProblem problem = FileProblem::kNone;
  // Why, as a phrase to follow the file's name: "is a directory, not a
  // regular file", "is larger than 1 MiB". Empty when read.
  std::string error;

  bool Read() const { return problem == FileProblem::kNone; }
};

inline constexpr std::chrono::milliseconds kDefaultReadTime{2000};

// The whole of `path` when it is a regular file of at most `maxBytes`
// bytes, read within `maxTime`. Only the last component of `path` may be
// untrusted: a symbolic link there is refused, not followed.
FileContents ReadRegularFile(const std::filesystem::path& path, size_t maxBytes,
                             std::chrono::milliseconds maxTime = kDefaultReadTime);

// "1 MiB", "64 KiB", "1000 bytes": a bound as messages give it.
std::string ByteCountText(size_t bytes);

}  // namespace pentad
