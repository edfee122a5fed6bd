// The book's ordered list: bisection indexes, the sorted mode switches, the
// sorted insertions and which items it frees.
#include "classic/book/ordered_list.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace pentad::classic::book {
namespace {

struct Item {
  int key = 0;
  int tag = 0;  // tells equal keys apart
  static int destroyed;
  ~Item() { ++destroyed; }
};
int Item::destroyed = 0;

int32_t Ascending(const Item* a, const Item* b) {
  return a->key - b->key;
}

class ItemList {
 public:
  explicit ItemList(std::vector<int> keys, OrderedList<Item>::CompareRoutine compare = Ascending) {
    for (int key : keys) list.Add(Make(key));
    list.SetCompare(compare);
  }
  static std::unique_ptr<Item> Make(int key, int tag = 0) {
    return std::make_unique<Item>(Item{key, tag});
  }
  std::vector<int> Keys() const {
    std::vector<int> keys;
    for (int i = 0; i < list.Count(); ++i) keys.push_back(list.At(i)->key);
    return keys;
  }

  OrderedList<Item> list;
};

TEST(OrderedList, BisectionTellsWhereAMissingKeyBelongs) {
  struct Case {
    std::vector<int> keys;
    int key;
    bool found;
    int index;
  };
  const Case cases[] = {
      {{}, 5, false, -1},           {{10, 20, 30}, 5, false, -1}, {{10, 20, 30}, 35, false, 2},
      {{10, 20, 30}, 25, false, 1}, {{10, 20, 30}, 15, false, 0}, {{10, 20, 30}, 20, true, 1},
      {{10}, 10, true, 0},          {{10}, 11, false, 0},         {{10, 20, 30, 40}, 35, false, 2},
  };
  for (const Case& c : cases) {
    ItemList items(c.keys);
    Item key{c.key};
    int index = 99;
    EXPECT_EQ(items.list.Find(&key, index), c.found) << "key " << c.key;
    EXPECT_EQ(index, c.index) << "key " << c.key << " in " << c.keys.size() << " items";
  }
}

TEST(OrderedList, FindBinaryRejectsAStartOutsideTheList) {
  ItemList items({1, 2, 3});
  Item key{2};
  int index = 0;
  EXPECT_FALSE(items.list.FindBinary(&key, 3, index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(items.list.FindBinary(&key, -1, index));
  EXPECT_TRUE(items.list.FindBinary(&key, 1, index));
  EXPECT_EQ(index, 1);
}

TEST(OrderedList, SortedModeNeedsACompareRoutine) {
  ItemList items({3, 1, 2}, nullptr);
  items.list.SetSorted(true);
  EXPECT_FALSE(items.list.Sorted());
  EXPECT_EQ(items.Keys(), (std::vector<int>{3, 1, 2}));
  Item key{1};
  int index = 0;
  EXPECT_THROW(items.list.Find(&key, index), std::logic_error);
}

TEST(OrderedList, OnlyResortSortsAListThatIsAlreadySorted) {
  ItemList items({3, 1, 2});
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 2, 3}));
  items.list.Add(items.Make(0));
  items.list.SetSorted(true);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 2, 3, 0}));
  items.list.Resort();
  EXPECT_EQ(items.Keys(), (std::vector<int>{0, 1, 2, 3}));
}

TEST(OrderedList, UnsortedModeSearchesLinearly) {
  ItemList items({3, 1, 2});
  items.list.SetSorted(false);
  items.list.Add(items.Make(0));
  Item key{0};
  int index = -5;
  EXPECT_TRUE(items.list.Find(&key, index));
  EXPECT_EQ(index, 3);
}

TEST(OrderedList, SortingKeepsEqualItemsInTheirOrder) {
  ItemList items({}, nullptr);
  for (int tag = 0; tag < 40; ++tag) items.list.Add(items.Make(tag % 3, tag));
  items.list.SetCompare(Ascending);
  int lastTag[3] = {-1, -1, -1};
  for (int i = 0; i < items.list.Count(); ++i) {
    const Item* item = items.list.At(i);
    EXPECT_GT(item->tag, lastTag[item->key]);
    lastTag[item->key] = item->tag;
  }
}

TEST(OrderedList, SortedInsertionsKeepTheOrder) {
  ItemList items({10, 20, 30});
  items.list.AddSorted(items.Make(5));
  items.list.AddSorted(items.Make(35));
  items.list.AddSorted(items.Make(25));
  items.list.AddSorted(items.Make(20, 1));
  EXPECT_EQ(items.Keys(), (std::vector<int>{5, 10, 20, 20, 25, 30, 35}));
  EXPECT_EQ(items.list.At(2)->tag, 1) << "an equal item goes before the one found";
}

TEST(OrderedList, AddUniqueFreesADuplicate) {
  ItemList items({2});
  items.list.AddUnique(ItemList::Make(1));
  std::unique_ptr<Item> duplicate = ItemList::Make(2);
  Item::destroyed = 0;
  items.list.AddUnique(std::move(duplicate));
  EXPECT_EQ(Item::destroyed, 1);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 2}));
}

TEST(OrderedList, RemoveAllFreesEveryEqualItem) {
  ItemList items({1, 2, 2, 2, 3});
  Item key{2};
  Item::destroyed = 0;
  items.list.RemoveAll(&key);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 3}));
  EXPECT_EQ(Item::destroyed, 3);
}

TEST(OrderedList, TakeHandsTheItemOverWithoutFreeingIt) {
  ItemList items({1, 2, 3});
  const Item* second = items.list.At(1);
  Item::destroyed = 0;
  const std::unique_ptr<Item> taken = items.list.Take(1);
  EXPECT_EQ(taken.get(), second);
  EXPECT_EQ(Item::destroyed, 0);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 3}));
}

TEST(OrderedList, IndexesOutsideTheListAreRejected) {
  ItemList items({1});
  EXPECT_THROW(items.list.At(1), std::out_of_range);
  EXPECT_THROW(items.list.Delete(-1), std::out_of_range);
  EXPECT_THROW(items.list.Insert(3, nullptr), std::out_of_range);
  EXPECT_THROW(items.list.Take(1), std::out_of_range);
}

}  // namespace
}  // namespace pentad::classic::book
