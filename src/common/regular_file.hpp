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
  // Why, as a phrase to follow the file's name: "does not exist", "is a
  // directory, not a regular file", "is larger than 1 MiB", "is
  // unreadable: Permission denied". Empty when read.
  std::string error;

  bool Read() const { return problem == FileProblem::kNone; }
};

struct ReadBounds {
  size_t maxBytes = 0;
  std::chrono::milliseconds maxTime{2000};
  // A file the user named may be a link to one; a link an engine left is
  // refused, so that nothing is read from outside its folder.
  bool followLink = false;
};

// The whole of `path` when it is a regular file within `bounds`. Only the
// last component of `path` may be untrusted.
FileContents ReadRegularFile(const std::filesystem::path& path, const ReadBounds& bounds);

// "1 MiB", "64 KiB", "1000 bytes": a bound as messages give it.
std::string ByteCountText(size_t bytes);

}  // namespace pentad
