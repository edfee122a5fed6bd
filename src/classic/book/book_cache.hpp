// Opening books loaded once and consulted by many decisions: the brain and
// the browser board keep one cache for their whole life and reload a book
// only when its file changes.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "classic/book/opening_book.hpp"

namespace pentad::classic::book {

// A loaded book that lookups leave as it is, so decisions may share it, even
// side by side. It answers exactly as a freshly loaded OpeningBook does.
class SharedBook {
 public:
  explicit SharedBook(std::unique_ptr<OpeningBook> book);

  // Appends one answer for every record that matches `query` (board
  // coordinates), in the order OpeningBook::FindAnswers finds them.
  bool FindAnswers(std::vector<std::unique_ptr<FoundAnswer>>& results,
                   const OpeningRecord& query) const;
  int Count() const { return book_->Count(); }

 private:
  // The book less the records a lookup has already reported.
  class View;

  std::unique_ptr<OpeningBook> book_;  // sorted by position
};

// Loads `file` within `limits`; nullptr when it cannot be read.
// `complete` is false when the stop of `limits` cut the load short.
std::shared_ptr<const SharedBook> LoadSharedBook(const std::filesystem::path& file,
                                                 const BookLoadLimits& limits, bool& complete);

class BookCache {
 public:
  // The book in `file`, loaded when it is not cached yet or the file changed
  // (size or modification time). A load that `limits` cut short serves this
  // decision and is read again by the next.
  std::shared_ptr<const SharedBook> Get(const std::filesystem::path& file,
                                        const BookLoadLimits& limits);

 private:
  struct Entry {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    std::shared_ptr<const SharedBook> book;
  };
  std::mutex mutex_;
  std::map<std::filesystem::path, Entry> entries_;
};

}  // namespace pentad::classic::book
