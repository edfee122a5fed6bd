// The sorted object list: bisection indexes, the sorted mode switches and
// the sorted insertions.
#include "classic/book/ordered_list.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
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

// Owns the items the list refers to, as the list's users must.
class ItemList {
 public:
  explicit ItemList(std::vector<int> keys, OrderedList<Item>::CompareRoutine compare = Ascending) {
    for (int key : keys) list.Add(Make(key));
    list.SetCompare(compare);
  }
  Item* Make(int key, int tag = 0) {
    owned.push_back(std::make_unique<Item>(Item{key, tag}));
    return owned.back().get();
  }
  std::vector<int> Keys() const {
    std::vector<int> keys;
    for (int i = 0; i < list.Count(); ++i) keys.push_back(list.At(i)->key);
    return keys;
  }

  std::vector<std::unique_ptr<Item>> owned;
  OrderedList<Item> list;
};

TEST(SortedList, BisectionTellsWhereAMissingKeyBelongs) {
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

TEST(SortedList, FindBinaryRejectsAStartOutsideTheList) {
  ItemList items({1, 2, 3});
  Item key{2};
  int index = 0;
  EXPECT_FALSE(items.list.FindBinary(&key, 3, index));
  EXPECT_EQ(index, -1);
  EXPECT_FALSE(items.list.FindBinary(&key, -1, index));
  EXPECT_TRUE(items.list.FindBinary(&key, 1, index));
  EXPECT_EQ(index, 1);
}

TEST(SortedList, SortedModeNeedsACompareRoutine) {
  ItemList items({3, 1, 2}, nullptr);
  items.list.SetSorted(true);
  EXPECT_FALSE(items.list.Sorted());
  EXPECT_EQ(items.Keys(), (std::vector<int>{3, 1, 2}));
  Item key{1};
  int index = 0;
  EXPECT_THROW(items.list.Find(&key, index), std::logic_error);
}

TEST(SortedList, OnlyResortSortsAListThatIsAlreadySorted) {
  ItemList items({3, 1, 2});
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 2, 3}));
  items.list.Add(items.Make(0));
  items.list.SetSorted(true);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 2, 3, 0}));
  items.list.Resort();
  EXPECT_EQ(items.Keys(), (std::vector<int>{0, 1, 2, 3}));
}

TEST(SortedList, UnsortedModeSearchesLinearly) {
  ItemList items({3, 1, 2});
  items.list.SetSorted(false);
  items.list.Add(items.Make(0));
  Item key{0};
  int index = -5;
  EXPECT_TRUE(items.list.Find(&key, index));
  EXPECT_EQ(index, 3);
}

TEST(SortedList, SortingKeepsEqualItemsInTheirOrder) {
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

TEST(SortedList, SortedInsertionsKeepTheOrder) {
  ItemList items({10, 20, 30});
  items.list.AddSorted(items.Make(5));
  items.list.AddSorted(items.Make(35));
  items.list.AddSorted(items.Make(25));
  items.list.AddSorted(items.Make(20, 1));
  EXPECT_EQ(items.Keys(), (std::vector<int>{5, 10, 20, 20, 25, 30, 35}));
  EXPECT_EQ(items.list.At(2)->tag, 1) << "an equal item goes before the one found";
}

TEST(SortedList, AddUniqueFreesOnlyDuplicatesItIsToldTo) {
  OrderedList<Item> list;
  list.SetCompare(Ascending);
  list.AddUnique(new Item{2}, true);
  list.AddUnique(new Item{1}, true);
  Item::destroyed = 0;
  list.AddUnique(new Item{2}, true);
  EXPECT_EQ(Item::destroyed, 1);
  Item kept{1};
  list.AddUnique(&kept, false);
  EXPECT_EQ(Item::destroyed, 1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0)->key, 1);
  EXPECT_EQ(list.At(1)->key, 2);
  for (int i = 0; i < list.Count(); ++i) delete list.At(i);
}

TEST(SortedList, RemoveAllTakesOutEveryEqualItemWithoutFreeingIt) {
  ItemList items({1, 2, 2, 2, 3});
  Item key{2};
  Item::destroyed = 0;
  items.list.RemoveAll(&key);
  EXPECT_EQ(items.Keys(), (std::vector<int>{1, 3}));
  EXPECT_EQ(Item::destroyed, 0);
}

TEST(SortedList, IndexesOutsideTheListAreRejected) {
  ItemList items({1});
  EXPECT_THROW(items.list.At(1), std::out_of_range);
  EXPECT_THROW(items.list.Delete(-1), std::out_of_range);
  EXPECT_THROW(items.list.Insert(3, nullptr), std::out_of_range);
}

}  // namespace
}  // namespace pentad::classic::book
