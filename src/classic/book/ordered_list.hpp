// OrderedList: the opening book's one container. An ordered list of object
// references that is either kept in the order of a compare routine (and then
// searched by bisection) or left in insertion order (searched linearly).
//
// The list never owns its items: whoever fills it frees them before the
// list goes away.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace pentad::classic::book {

template <typename Item>
class OrderedList {
 public:
  // Negative: the first item belongs before the second; zero: equal.
  using CompareRoutine = int32_t (*)(const Item* first, const Item* second);

  OrderedList() { SetCompare(nullptr); }
  virtual ~OrderedList() = default;
  OrderedList(const OrderedList&) = delete;
  OrderedList& operator=(const OrderedList&) = delete;

  // The plain list underneath.
  int Count() const { return static_cast<int>(items_.size()); }
  Item* At(int index) const { return items_.at(CheckedIndex(index)); }
  int Add(Item* item) {
    items_.push_back(item);
    return Count() - 1;
  }
  void Insert(int index, Item* item) {
    if (index < 0 || index > Count())
      throw std::out_of_range("OrderedList::Insert: index out of range");
    items_.insert(items_.begin() + index, item);
  }
  void Delete(int index) { items_.erase(items_.begin() + CheckedIndex(index)); }
  void Clear() { items_.clear(); }
  // Stable, so items that compare equal keep their order; this keeps every
  // build of the engine agreeing on which of two equal records comes first.
  void Sort(CompareRoutine compare) {
    std::stable_sort(items_.begin(), items_.end(),
                     [compare](const Item* a, const Item* b) { return compare(a, b) < 0; });
  }

  bool Sorted() const { return sorted_; }
  CompareRoutine SortCompare() const { return sortCompare_; }
  CompareRoutine SearchCompare() const { return searchCompare_; }

  virtual Item* NewItem() { return new Item(); }

  void SetCompare(CompareRoutine routine) {
    sortCompare_ = routine;
    sorted_ = routine != nullptr;
    searchCompare_ = routine;
    if (sorted_) Sort(sortCompare_);
  }

  void SetSearchCompare(CompareRoutine routine) { searchCompare_ = routine; }

  void SetSorted(bool on) {
    if (on == sorted_) return;
    sorted_ = on && sortCompare_ != nullptr;
    if (sorted_) Sort(sortCompare_);
  }

  // SetSorted does nothing when the mode stays, so switching off and on is
  // how a list is sorted again after items were appended or changed.
  void Resort() {
    SetSorted(false);
    SetSorted(true);
  }

  bool Find(const Item* key, int& index) const {
    return sorted_ ? FindBinary(key, 0, index) : FindLinear(key, index);
  }

  // On failure `index` is the position after which the key belongs (-1:
  // before the first item). Among equal items, the one found is whichever
  // the bisection meets first.
  bool FindBinary(const Item* key, int start, int& index) const {
    index = -1;
    int lo = start, hi = Count() - 1;
    if (Count() <= 0 || Count() <= lo || lo < 0) return false;
    RequireSearchCompare();
    for (;;) {
      const int mid = (lo + hi) / 2;
      const int32_t c = searchCompare_(items_[mid], key);
      if (c == 0) {
        index = mid;
        return true;
      }
      const bool last = hi <= lo;
      if (c < 0) {
        if (last) {
          index = mid;
          return false;
        }
        lo = mid + 1;
      } else {
        if (last) {
          index = mid - 1;
          return false;
        }
        hi = mid - 1;
      }
    }
  }

  bool FindLinear(const Item* key, int& index) const {
    index = -1;
    if (Count() > 0) RequireSearchCompare();
    for (int i = 0; i < Count(); ++i) {
      if (searchCompare_(key, items_[i]) == 0) {
        index = i;
        return true;
      }
    }
    return false;
  }

  virtual bool AddSorted(Item* item) {
    int index = -1;
    if (Find(item, index)) {
      Insert(index, item);
    } else {
      InsertAfterSearch(index, item);
    }
    return true;
  }

  virtual bool AddUnique(Item* item, bool freeDuplicate) {
    int index = -1;
    if (Find(item, index)) {
      if (freeDuplicate) delete item;
      return true;
    }
    InsertAfterSearch(index, item);
    Resort();
    return true;
  }

  // Takes the equal items out of the list without freeing them.
  virtual void RemoveAll(const Item* key) {
    int index = -1;
    while (Find(key, index)) Delete(index);
  }

 private:
  int CheckedIndex(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("OrderedList: index out of range");
    return index;
  }

  void RequireSearchCompare() const {
    if (searchCompare_ == nullptr)
      throw std::logic_error("OrderedList::Find without a compare routine");
  }

  void InsertAfterSearch(int index, Item* item) {
    if (index < 0) {
      Insert(0, item);
    } else if (index >= Count() - 1) {
      Add(item);
    } else {
      Insert(index + 1, item);
    }
  }

  std::vector<Item*> items_;
  bool sorted_ = false;
  CompareRoutine sortCompare_ = nullptr;
  CompareRoutine searchCompare_ = nullptr;
};

}  // namespace pentad::classic::book
