#include "cli/book_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/regular_file.hpp"

namespace pentad::cli {
namespace {

namespace fs = std::filesystem;

fs::path TemporaryOf(const fs::path& book) {
  fs::path temporary = book;
  temporary += ".tmp";
  return temporary;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// On disk, not only in the page cache: a commit may only be decided once
// what it renames into place survives a crash.
bool WriteDurably(const fs::path& path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

// Renames and removals are entries of the directory: they last once it is
// synced.
void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A journal names book files of its own directory, nothing else.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The journal names the two books: a few hundred bytes.
constexpr size_t kMaxJournalBytes = 64 * 1024;

bool ReadJournal(const fs::path& journal, std::vector<std::string>& names) {
  const FileContents contents = ReadRegularFile(journal, {.maxBytes = kMaxJournalBytes});
  if (!contents.Read()) return false;
  std::istringstream in(contents.bytes);
  for (std::string name; std::getline(in, name);) {
    if (!PlainFileName(name)) return false;
    names.push_back(name);
  }
  return true;
}

}  // namespace

std::optional<BookDirectoryLock> BookDirectoryLock::Acquire(const fs::path& dir,
                                                            std::ostream& notes,
                                                            std::string& error) {
  const fs::path path = dir / kBookLockName;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot open the lock file " + path.string();
    return std::nullopt;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return BookDirectoryLock(fd);
  notes << "pentad book: another run is writing the books in " << dir.string()
        << "; waiting for it to finish" << std::endl;
  for (;;) {
    if (::flock(fd, LOCK_EX) == 0) return BookDirectoryLock(fd);
    if (errno == EINTR) continue;
    ::close(fd);
    error = "cannot lock " + path.string();
    return std::nullopt;
  }
}

BookDirectoryLock::BookDirectoryLock(BookDirectoryLock&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

BookDirectoryLock::~BookDirectoryLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool StageBooks(const fs::path& dir, const std::vector<StagedBook>& books, std::string& error) {
  std::string journal;
  for (const StagedBook& book : books) {
    const fs::path temporary = TemporaryOf(book.path);
    if (!WriteDurably(temporary, book.bytes)) {
      error = "cannot write " + temporary.string();
      return false;
    }
    journal += book.path.filename().string() + "\n";
  }
  const fs::path journalPath = dir / kBookJournalName;
  const fs::path journalTemporary = TemporaryOf(journalPath);
  std::error_code code;
  if (!WriteDurably(journalTemporary, std::vector<uint8_t>(journal.begin(), journal.end()))) {
    fs::remove(journalTemporary, code);
    error = "cannot write " + journalTemporary.string();
    return false;
  }
  // The journal appears whole or not at all: the commit is decided here.
  fs::rename(journalTemporary, journalPath, code);
  if (code) {
    fs::remove(journalTemporary, code);
    error = "cannot write " + journalPath.string();
    return false;
  }
  SyncDirectory(dir);
  return true;
}

bool FinishBookCommit(const fs::path& dir, bool& finished, std::string& error) {
  finished = false;
  const fs::path journal = dir / kBookJournalName;
  std::error_code code;
  if (!fs::exists(journal, code)) return true;
  std::vector<std::string> names;
  if (!ReadJournal(journal, names)) {
    error = "cannot read the journal " + journal.string();
    return false;
  }
  for (const std::string& name : names) {
    const fs::path temporary = TemporaryOf(dir / name);
    // Gone when an earlier attempt renamed it already.
    if (!fs::exists(temporary, code)) continue;
    fs::rename(temporary, dir / name, code);
    if (code) {
      error = "cannot replace " + (dir / name).string();
      return false;
    }
  }
  SyncDirectory(dir);
  fs::remove(journal, code);
  if (code) {
    error = "cannot remove the journal " + journal.string();
    return false;
  }
  SyncDirectory(dir);
  finished = true;
  return true;
}

bool CommitBooks(const fs::path& dir, const std::vector<StagedBook>& books, std::string& error) {
  bool finished = false;
  return StageBooks(dir, books, error) && FinishBookCommit(dir, finished, error);
}

}  // namespace pentad::cli
