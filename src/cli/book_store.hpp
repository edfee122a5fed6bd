// Writing the two opening books of a directory as one change. A learn run
// reads both books, adds its games and writes both back; two runs at once,
// or a run killed between its two renames, would lose games or count them
// twice. Every writer therefore holds a lock on the directory for its whole
// read-modify-write, and commits the books through a journal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace pentad::cli {

// Both live in the book directory. The lock file stays there, empty: only
// the lock on it counts. The engine looks for neither.
inline constexpr const char* kBookLockName = "Veklo.lock";
inline constexpr const char* kBookJournalName = "Veklo.journal";

// An exclusive lock on the book directory, held until destroyed.
class BookDirectoryLock {
 public:
  // Waits while another writer holds the lock, saying so once on `notes`.
  // Nullopt, with `error` set, when the lock file cannot be opened.
  static std::optional<BookDirectoryLock> Acquire(const std::filesystem::path& dir,
                                                  std::ostream& notes, std::string& error);
  BookDirectoryLock(BookDirectoryLock&& other) noexcept;
  BookDirectoryLock& operator=(BookDirectoryLock&&) = delete;
  BookDirectoryLock(const BookDirectoryLock&) = delete;
  ~BookDirectoryLock();

 private:
  explicit BookDirectoryLock(int fd) : fd_(fd) {}
  int fd_;
};

struct StagedBook {
  std::filesystem::path path;  // the book file, in the directory
  std::vector<uint8_t> bytes;  // its new content
};

// The first half of a commit: each new book goes to a temporary file beside
// it ("Veklo.ob1.tmp"), and once all are safely on disk, the journal names
// them. From then on the commit is decided: FinishBookCommit completes it,
// even in a later run.
bool StageBooks(const std::filesystem::path& dir, const std::vector<StagedBook>& books,
                std::string& error);

// Renames every book the journal names into place and removes the journal;
// nothing to do without a journal. Sets `finished` when there was one.
bool FinishBookCommit(const std::filesystem::path& dir, bool& finished, std::string& error);

// Both halves: the books change together or not at all.
bool CommitBooks(const std::filesystem::path& dir, const std::vector<StagedBook>& books,
                 std::string& error);

}  // namespace pentad::cli
