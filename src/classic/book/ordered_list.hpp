// OrderedList: the opening book's one container. A list of items it owns,
// either kept in the order of a compare routine (and then searched by
// bisection) or left in insertion order (searched linearly). Every item has
// a heap place of its own, so a pointer to it stays valid while the list
// sorts, grows or shrinks around it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace pentad::classic::book {

template <typename Item>
class OrderedList {
 public:
  // Negative: the first item belongs before the second; zero: equal.
  using CompareRoutine = int32_t (*)(const Item* first, const Item* second);

  OrderedList() = default;
  OrderedList(const OrderedList&) = delete;
  OrderedList& operator=(const OrderedList&) = delete;

  // The plain list underneath.
  int Count() const { return static_cast<int>(items_.size()); }
  Item* At(int index) const { return items_[CheckedIndex(index)].get(); }
  int Add(std::unique_ptr<Item> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Insert(int index, std::unique_ptr<Item> item) {
    if (index < 0 || index > Count())
      throw std::out_of_range("OrderedList::Insert: index out of range");
    items_.insert(items_.begin() + index, std::move(item));
  }
  // Frees the item at `index`.
  void Delete(int index) { items_.erase(items_.begin() + CheckedIndex(index)); }
  // Takes the item at `index` out of the list and hands it over.
  std::unique_ptr<Item> Take(int index) {
    std::unique_ptr<Item> item = std::move(items_[CheckedIndex(index)]);
    items_.erase(items_.begin() + index);
    return item;
  }
  void Clear() { items_.clear(); }
  // Stable, so items that compare equal keep their order; this keeps every
  // build of the engine agreeing on which of two equal records comes first.
  void Sort(CompareRoutine compare) {
    std::stable_sort(items_.begin(), items_.end(),
                     [compare](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) {
                       return compare(a.get(), b.get()) < 0;
                     });
  }

  bool Sorted() const { return sorted_; }

  void SetCompare(CompareRoutine routine) {
    compare_ = routine;
    sorted_ = routine != nullptr;
    if (sorted_) Sort(compare_);
  }

  void SetSorted(bool on) {
    if (on == sorted_) return;
    sorted_ = on && compare_ != nullptr;
    if (sorted_) Sort(compare_);
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
    RequireCompare();
    for (;;) {
      const int mid = (lo + hi) / 2;
      const int32_t c = compare_(items_[mid].get(), key);
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
    if (Count() > 0) RequireCompare();
    for (int i = 0; i < Count(); ++i) {
      if (compare_(key, items_[i].get()) == 0) {
        index = i;
        return true;
      }
    }
    return false;
  }

  bool AddSorted(std::unique_ptr<Item> item) {
    int index = -1;
    if (Find(item.get(), index)) {
      Insert(index, std::move(item));
    } else {
      InsertAfterSearch(index, std::move(item));
    }
    return true;
  }

  // An item equal to one already listed is freed instead.
  bool AddUnique(std::unique_ptr<Item> item) {
    int index = -1;
    if (Find(item.get(), index)) return true;
    InsertAfterSearch(index, std::move(item));
    Resort();
    return true;
  }

  // Frees every item equal to `key`.
  void RemoveAll(const Item* key) {
    int index = -1;
    while (Find(key, index)) Delete(index);
  }

 private:
  int CheckedIndex(int index) const {
    if (index < 0 || index >= Count()) throw std::out_of_range("OrderedList: index out of range");
    return index;
  }

  void RequireCompare() const {
    if (compare_ == nullptr) throw std::logic_error("OrderedList::Find without a compare routine");
  }

  void InsertAfterSearch(int index, std::unique_ptr<Item> item) {
    if (index < 0) {
      Insert(0, std::move(item));
    } else if (index >= Count() - 1) {
      Add(std::move(item));
    } else {
      Insert(index + 1, std::move(item));
    }
  }

  std::vector<std::unique_ptr<Item>> items_;
  bool sorted_ = false;
  CompareRoutine compare_ = nullptr;
};

}  // namespace pentad::classic::book
