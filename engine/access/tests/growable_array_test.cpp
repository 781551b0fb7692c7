#include "engine/access/growable_array.h"

#include <gtest/gtest.h>

#include "engine/access/block_headers_array.h"
#include "engine/access/record_id_array.h"
#include "platform/rtl/exception.h"

namespace halvex {
namespace {

// One body over the three arrays: they share layout and growth policy.
template <typename Array>
struct ArrayTraits;
template <>
struct ArrayTraits<THalvexIntegerArray> {
  static std::int32_t Item(int i) { return i * 3 - 7; }
};
template <>
struct ArrayTraits<THalvexInt64Array> {
  static std::int64_t Item(int i) { return (std::int64_t{1} << 40) + i; }
};
template <>
struct ArrayTraits<THalvexRecordIDArray> {
  static TRecordID Item(int i) { return TRecordID{i, static_cast<std::int16_t>(i % 7)}; }
};

template <typename Array>
class GrowableArrays : public ::testing::Test {};
using ArrayTypes = ::testing::Types<THalvexIntegerArray, THalvexInt64Array, THalvexRecordIDArray>;
TYPED_TEST_SUITE(GrowableArrays, ArrayTypes);

TYPED_TEST(GrowableArrays, CapacityGrowsInDoublingStepsUpToMaxStep) {
  TypeParam a(0, 100, 10);
  // (items after which to look, capacity expected then)
  const std::pair<int, int> steps[] = {{1, 20}, {20, 20}, {21, 60}, {61, 140}, {141, 240}, {241, 340}, {341, 440}};
  int added = 0;
  for (const auto& [items, capacity] : steps) {
    while (added < items) a.Add(ArrayTraits<TypeParam>::Item(added++));
    EXPECT_EQ(a.Capacity(), capacity) << "after " << items << " items";
  }
  for (int i = 0; i < added; ++i) ASSERT_EQ(a.Get(i), ArrayTraits<TypeParam>::Item(i));
}

TYPED_TEST(GrowableArrays, ShrinkReallocatesOnlyBeyondTheShrinkStep) {
  TypeParam a(0, 100, 10);
  a.SetCount(1000);  // jumps straight to exactly 1000
  ASSERT_EQ(a.Capacity(), 1000);
  a.SetCount(995);
  EXPECT_EQ(a.Capacity(), 1000);
  EXPECT_EQ(a.Count(), 995);
  a.SetCount(900);
  EXPECT_EQ(a.Capacity(), 900);
  EXPECT_EQ(a.ShrinkStep(), 20);
  a.SetCount(0);
  EXPECT_EQ(a.Capacity(), 0);
  EXPECT_EQ(a.Data(), nullptr);
}

TYPED_TEST(GrowableArrays, DeleteMovesTheRestForwardAndChecksIndexes) {
  TypeParam a(0, 100, 10);
  for (int i = 0; i < 5; ++i) a.Add(ArrayTraits<TypeParam>::Item(i));
  a.Delete(1);
  ASSERT_EQ(a.Count(), 4);
  EXPECT_EQ(a.Get(0), ArrayTraits<TypeParam>::Item(0));
  EXPECT_EQ(a.Get(1), ArrayTraits<TypeParam>::Item(2));
  EXPECT_EQ(a.Get(3), ArrayTraits<TypeParam>::Item(4));
  a.Delete(3);
  EXPECT_EQ(a.Count(), 3);
  EXPECT_THROW(a.Get(3), platform::ERangeError);
  EXPECT_THROW(a.Get(-1), platform::ERangeError);
  EXPECT_THROW(a.Delete(3), platform::ERangeError);
  EXPECT_THROW(a.SetCount(-1), platform::ERangeError);
}

TYPED_TEST(GrowableArrays, StorageIsEngineMemoryAndNewItemsReadZero) {
  const std::int64_t before = MemoryManager().AllocatedBytes();
  {
    TypeParam a(5, 100, 10);
    EXPECT_EQ(a.Count(), 5);
    EXPECT_GT(MemoryManager().AllocatedBytes(), before);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.Get(i), typename std::remove_cvref_t<decltype(a.Get(0))>{});
  }
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before) << "freed with the array";
}

TEST(GrowableArrays, IntegerIndexOfAndContains) {
  THalvexIntegerArray a;
  for (int v : {4, 8, 15, 16, 23, 42, 8}) a.Add(v);
  EXPECT_EQ(a.IndexOf(8), 1) << "first from the front";
  EXPECT_EQ(a.IndexOf(42), 5);
  EXPECT_EQ(a.IndexOf(7), -1);
  EXPECT_TRUE(a.Contains(23));
  EXPECT_FALSE(a.Contains(0));
}

TEST(GrowableArrays, MemoryLimitFailureLeavesTheArrayIntact) {
  THalvexIntegerArray a(0, 100000, 50000);
  a.Add(1);
  const std::int64_t saved = MemoryManager().MemoryLimit();
  MemoryManager().SetMemoryLimit(MemoryManager().AllocatedBytes() + 64);
  try {
    a.SetCount(1000000);
    ADD_FAILURE() << "the limit did not refuse";
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.NativeError(), 30004);
  }
  MemoryManager().SetMemoryLimit(saved);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_EQ(a.Get(0), 1);
}

TEST(BlockHeadersArray, KeepsHeadersWithAscendingPositions) {
  THalvexCompressedStreamBlockHeadersArray a;
  EXPECT_EQ(a.FindPosition(0), -1);
  for (int i = 0; i < 25; ++i)
    a.Add(TBlobBlockHeader{100 + i, 1000, static_cast<std::uint32_t>(i), 120 + i}, std::int64_t{1000} * i + 7);
  ASSERT_EQ(a.Count(), 25);
  EXPECT_EQ(a.Header(3).CompressedSize, 103);
  EXPECT_EQ(a.Position(24), 24007);
  const std::pair<std::int64_t, std::int64_t> lookups[] = {{6, -1}, {7, 0}, {8, 0}, {1006, 0}, {1007, 1},
                                                           {24006, 23}, {24007, 24}, {1 << 30, 24}};
  for (const auto& [value, index] : lookups) EXPECT_EQ(a.FindPosition(value), index) << value;
  a.SetCount(10);
  EXPECT_EQ(a.Count(), 10);
  EXPECT_EQ(a.FindPosition(24007), 9);
  a.Clear();
  EXPECT_EQ(a.Count(), 0);
}

}  // namespace
}  // namespace halvex
