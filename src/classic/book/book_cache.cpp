#include "classic/book/book_cache.hpp"

#include <algorithm>
#include <system_error>

namespace pentad::classic::book {

// A lookup on a fresh book removes every record it reports, and later
// bisections run over what is left. The view keeps those removals as a list
// of indices instead, so the bisections meet the same records in the same
// order while the book stays whole.
class SharedBook::View {
 public:
  explicit View(const OpeningBook& book) : book_(book) {}

  int Count() const { return book_.Count() - static_cast<int>(removed_.size()); }

  int FullIndex(int index) const {
    for (const int gone : removed_)
      if (gone <= index) ++index;
    return index;
  }

  const OpeningRecord* At(int index) const { return book_.At(FullIndex(index)); }

  void Remove(int index) {
    const int full = FullIndex(index);
    removed_.insert(std::upper_bound(removed_.begin(), removed_.end(), full), full);
  }

  // The bisection of OrderedList::FindBinary from the first item, over the view.
  bool Find(const OpeningRecord* key, int& index) const {
    index = -1;
    int lo = 0, hi = Count() - 1;
    if (Count() <= 0) return false;
    for (;;) {
      const int mid = (lo + hi) / 2;
      const int32_t c = ComparePositions(At(mid), key);
      if (c == 0) {
        index = mid;
        return true;
      }
      const bool last = hi <= lo;
      if (c < 0) {
        if (last) return false;
        lo = mid + 1;
      } else {
        if (last) return false;
        hi = mid - 1;
      }
    }
  }

 private:
  const OpeningBook& book_;
  std::vector<int> removed_;  // ascending indices into the book
};

SharedBook::SharedBook(std::unique_ptr<OpeningBook> book) : book_(std::move(book)) {
  // The order every lookup of a fresh book sorts into first.
  book_->SetSorted(false);
  book_->SetCompare(ComparePositions);
}

bool SharedBook::FindAnswers(std::vector<std::unique_ptr<FoundAnswer>>& results,
                             const OpeningRecord& query) const {
  View view(*book_);
  return CollectAnswers(
      query,
      [&view](const OpeningRecord& image) -> std::unique_ptr<OpeningRecord> {
        int index = -1;
        if (!view.Find(&image, index)) return nullptr;
        auto record = view.At(index)->Clone();
        view.Remove(index);
        return record;
      },
      results);
}

std::shared_ptr<const SharedBook> LoadSharedBook(const std::filesystem::path& file,
                                                 const BookLoadLimits& limits, bool& complete) {
  auto book = std::make_unique<OpeningBook>();
  book->fileName = file.string();
  if (!book->LoadFromFile(limits, &complete)) return nullptr;
  return std::make_shared<const SharedBook>(std::move(book));
}

std::shared_ptr<const SharedBook> BookCache::Get(const std::filesystem::path& file,
                                                 const BookLoadLimits& limits) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error) return nullptr;
  const auto modified = std::filesystem::last_write_time(file, error);
  if (error) return nullptr;
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto cached = entries_.find(file);
  if (cached != entries_.end() && cached->second.size == size &&
      cached->second.modified == modified)
    return cached->second.book;
  bool complete = false;
  auto book = LoadSharedBook(file, limits, complete);
  if (book && complete) {
    entries_[file] = Entry{size, modified, book};
  } else {
    entries_.erase(file);
  }
  return book;
}

}  // namespace pentad::classic::book
