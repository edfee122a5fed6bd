#include "common/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pentad {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr size_t kChunk = 16 * 1024;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

FileContents Refused(FileProblem problem, std::string error) {
  FileContents contents;
  contents.problem = problem;
  contents.error = std::move(error);
  return contents;
}

FileContents Unreadable(int error) {
  return Refused(FileProblem::kUnreadable, std::string("is unreadable: ") + std::strerror(error));
}

FileContents NotRegular(mode_t mode) {
  const char* kind = S_ISDIR(mode)                    ? "a directory"
                     : S_ISFIFO(mode)                 ? "a FIFO"
                     : S_ISSOCK(mode)                 ? "a socket"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISLNK(mode)                  ? "a symbolic link"
                                                      : "of an unknown kind";
  return Refused(FileProblem::kNotRegular, std::string("is ") + kind + ", not a regular file");
}

FileContents TooLarge(size_t maxBytes) {
  return Refused(FileProblem::kTooLarge, "is larger than " + ByteCountText(maxBytes));
}

// The open may have refused a link (O_NOFOLLOW) or a socket: tells which.
FileContents OpenFailure(const std::filesystem::path& path, bool followLink, int error) {
  if (error == ENOENT || error == ENOTDIR) return Refused(FileProblem::kMissing, "does not exist");
  struct stat status {};
  const int found = followLink ? stat(path.c_str(), &status) : lstat(path.c_str(), &status);
  if (found == 0 && !S_ISREG(status.st_mode)) return NotRegular(status.st_mode);
  return Unreadable(error);
}

// Reads to the end, refusing more than `maxBytes` however large the file
// has grown since it was measured.
FileContents ReadToEnd(int fd, size_t expected, size_t maxBytes,
                       std::chrono::milliseconds maxTime) {
  const auto deadline = SteadyClock::now() + maxTime;
  FileContents contents;
  contents.bytes.reserve(expected);
  char chunk[kChunk];
  for (;;) {
    if (SteadyClock::now() > deadline)
      return Refused(FileProblem::kTooSlow,
                     "took longer than " + std::to_string(maxTime.count()) + " ms to read");
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) return Unreadable(errno);
    if (got == 0) return contents;
    if (static_cast<size_t>(got) > maxBytes - contents.bytes.size()) return TooLarge(maxBytes);
    contents.bytes.append(chunk, static_cast<size_t>(got));
  }
}

}  // namespace

FileContents ReadRegularFile(const std::filesystem::path& path, const ReadBounds& bounds) {
  // Never blocks on opening: a FIFO without a writer would.
  const int flags =
      O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (bounds.followLink ? 0 : O_NOFOLLOW);
  const Descriptor file(open(path.c_str(), flags));
  if (file.Get() < 0) return OpenFailure(path, bounds.followLink, errno);
  struct stat status {};
  if (fstat(file.Get(), &status) != 0) return Unreadable(errno);
  if (!S_ISREG(status.st_mode)) return NotRegular(status.st_mode);
  if (static_cast<uintmax_t>(status.st_size) > bounds.maxBytes) return TooLarge(bounds.maxBytes);
  return ReadToEnd(file.Get(), static_cast<size_t>(status.st_size), bounds.maxBytes,
                   bounds.maxTime);
}

std::string ByteCountText(size_t bytes) {
  for (const auto& [unit, name] : {std::pair<size_t, const char*>{size_t{1} << 30, " GiB"},
                                   {size_t{1} << 20, " MiB"},
                                   {size_t{1} << 10, " KiB"}})
    if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + name;
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace pentad
