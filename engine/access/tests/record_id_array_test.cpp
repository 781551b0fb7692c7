#include "engine/access/record_id_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace halvex {
namespace {

enum class Order { Both, PageNoOnly, Unsigned48 };

void Configure(THalvexRecordIDArray& a, Order order) {
  a.SetPageNoOnly(order == Order::PageNoOnly);
  a.SetAre48BitNumbers(order == Order::Unsigned48);
}

TEST(RecordIDArray, CompareFollowsTheTablesOrdering) {
  struct Case {
    Order order;
    TRecordID a, b;
    int expected;
  };
  const Case cases[] = {
      {Order::Both, {1, 5}, {1, 2}, 1},
      {Order::Both, {1, 2}, {1, 5}, -1},
      {Order::Both, {-1, 0}, {1, 0}, -1},
      {Order::Both, {3, -1}, {3, 1}, -1},
      {Order::PageNoOnly, {1, 5}, {1, 2}, 0},
      {Order::PageNoOnly, {-2, 0}, {1, 0}, -1},
      // As unsigned 48-bit numbers the item number is the high part and
      // negative parts count as large.
      {Order::Unsigned48, {5, 1}, {9, 0}, 1},
      {Order::Unsigned48, {-1, 0}, {1, 0}, 1},
      {Order::Unsigned48, {0, -1}, {0, 1}, 1},
      {Order::Unsigned48, {7, 3}, {7, 3}, 0},
  };
  for (const auto& c : cases) {
    THalvexRecordIDArray a;
    Configure(a, c.order);
    EXPECT_EQ(a.Compare(c.a, c.b), c.expected) << static_cast<int>(c.order) << ": (" << c.a.PageNo << ","
                                                << c.a.PageItemNo << ") vs (" << c.b.PageNo << "," << c.b.PageItemNo
                                                << ")";
  }
}

class RecordIDSort : public ::testing::TestWithParam<Order> {};

TEST_P(RecordIDSort, MatchesAReferenceSortOnRandomAndAdversarialInputs) {
  std::mt19937 rng(2024);
  const std::vector<int> sizes = {0, 1, 2, 3, 10, 11, 1000, 20000};
  for (int size : sizes) {
    for (int shape = 0; shape < 4; ++shape) {
      THalvexRecordIDArray a;
      Configure(a, GetParam());
      std::vector<TRecordID> ids;
      for (int i = 0; i < size; ++i) {
        TRecordID id;
        switch (shape) {
          case 0: id = {static_cast<std::int32_t>(rng()), static_cast<std::int16_t>(rng())}; break;
          case 1: id = {i, 0}; break;                                  // already sorted
          case 2: id = {size - i, static_cast<std::int16_t>(i % 3)}; break;  // reversed
          default: id = {static_cast<std::int32_t>(rng() % 4), static_cast<std::int16_t>(rng() % 3)}; break;  // many equal
        }
        ids.push_back(id);
        a.Add(id);
      }
      a.Sort();
      EXPECT_TRUE(a.Sorted());
      ASSERT_EQ(a.Count(), size);
      std::sort(ids.begin(), ids.end(), [&](const TRecordID& x, const TRecordID& y) { return a.Compare(x, y) < 0; });
      for (int i = 0; i < size; ++i) ASSERT_EQ(a.Compare(a.Get(i), ids[i]), 0) << "size " << size << " shape " << shape << " at " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, RecordIDSort, ::testing::Values(Order::Both, Order::PageNoOnly, Order::Unsigned48));

TEST(RecordIDArray, SortingPutsTheLowerItemNumberFirst) {
  THalvexRecordIDArray a;
    Configure(a, Order::Both);
  a.Add({1, 5});
  a.Add({1, 2});
  a.Sort();
  EXPECT_EQ(a.Get(0), (TRecordID{1, 2}));
  EXPECT_EQ(a.Get(1), (TRecordID{1, 5}));
}

// With PageNoOnly, a binary search matches on the page number alone while a
// linear search wants both parts equal: the difference shows which ran.
TEST(RecordIDArray, FindSearchesLinearlyUpToTenSortedItemsAndBinarilyAbove) {
  struct Case {
    int count;
    bool sorted;
    bool binary;
  };
  const Case cases[] = {{50, false, false}, {10, true, false}, {11, true, true}, {500, true, true}};
  for (const auto& c : cases) {
    THalvexRecordIDArray a;
    Configure(a, Order::PageNoOnly);
    for (int i = 0; i < c.count; ++i) a.Add({i * 2, 1});
    a.SetSorted(c.sorted);
    const std::int32_t probeIndex = c.count / 2;
    EXPECT_EQ(a.Find({probeIndex * 2, 1}), probeIndex) << c.count;
    EXPECT_EQ(a.Find({probeIndex * 2, 9}), c.binary ? probeIndex : -1) << c.count;
    EXPECT_EQ(a.Find({probeIndex * 2 + 1, 1}), -1) << c.count;
  }
}

TEST(RecordIDArray, BinaryFindAgreesWithLinearOnLargeSortedLists) {
  THalvexRecordIDArray a;
    Configure(a, Order::Both);
  for (int i = 0; i < 3000; ++i) a.Add({i / 3, static_cast<std::int16_t>(i % 3)});
  ASSERT_TRUE(a.Sorted());
  for (int i = 0; i < 3000; i += 7) ASSERT_EQ(a.Find({i / 3, static_cast<std::int16_t>(i % 3)}), i);
  EXPECT_EQ(a.Find({5000, 0}), -1);
  EXPECT_EQ(a.Find({-1, 0}), -1);
}

TEST(RecordIDArray, AppendingOutOfOrderClearsSortedSoFindStaysCorrect) {
  THalvexRecordIDArray a;
    Configure(a, Order::Both);
  for (int i = 0; i < 20; ++i) a.Add({i, 0});
  EXPECT_TRUE(a.Sorted());
  a.Add({3, 1});  // after (19, 0): breaks the order
  EXPECT_FALSE(a.Sorted());
  EXPECT_EQ(a.Find({3, 1}), 20);
  a.Sort();
  EXPECT_TRUE(a.Sorted());
  EXPECT_EQ(a.Find({3, 1}), 4);
}

TEST(RecordIDArray, InsertStoresAtIndexOrLast) {
  struct Case {
    std::vector<int> before;
    std::int32_t index;
    std::vector<int> after;
  };
  const Case cases[] = {
      {{}, 0, {9}},
      {{}, 5, {9}},
      {{1}, 0, {9, 1}},
      {{1}, 1, {1, 9}},
      {{1, 2, 3}, 1, {1, 9, 2, 3}},
      {{1, 2, 3}, 2, {1, 2, 9, 3}},
      {{1, 2, 3}, 3, {1, 2, 3, 9}},
      {{1, 2, 3}, 10, {1, 2, 3, 9}},
  };
  for (const auto& c : cases) {
    THalvexRecordIDArray a;
    Configure(a, Order::Both);
    for (int v : c.before) a.Add({v, 0});
    a.Insert(c.index, {9, 0});
    std::vector<int> got;
    for (int i = 0; i < a.Count(); ++i) got.push_back(a.Get(i).PageNo);
    EXPECT_EQ(got, c.after) << "insert at " << c.index;
  }
  THalvexRecordIDArray a;
    Configure(a, Order::Both);
  a.Add({1, 0});
  a.Add({5, 0});
  a.Insert(1, {3, 0});
  EXPECT_TRUE(a.Sorted()) << "an insert in order keeps the flag";
  a.Insert(0, {4, 0});
  EXPECT_FALSE(a.Sorted());
  EXPECT_THROW(a.Insert(-1, {0, 0}), platform::ERangeError);
}

}  // namespace
}  // namespace halvex
