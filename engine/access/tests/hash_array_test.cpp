#include "engine/access/hash_array.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_set>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

TEST(HashArray, BehavesAsASetOfValues) {
  THalvexHashArray set(8, 100);
  std::unordered_set<std::uint32_t> reference;
  std::mt19937 rng(11);
  for (int i = 0; i < 100000; ++i) {
    // Few distinct values with many repeats, plus patterns that differ only
    // in their high bits.
    const std::uint32_t value = i % 3 == 0 ? static_cast<std::uint32_t>(i) << 20 : rng() % 30000;
    const bool present = !reference.insert(value).second;
    ASSERT_EQ(set.AddIfAbsent(value), present) << value;
  }
  EXPECT_EQ(set.Count(), static_cast<std::int32_t>(reference.size()));
  for (std::uint32_t v : reference) ASSERT_TRUE(set.Contains(v));
  EXPECT_FALSE(set.Contains(4000000000u));
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.AddIfAbsent(0));
  EXPECT_TRUE(set.AddIfAbsent(0));
}

TEST(HashArray, KeySizeMustBeBetweenOneAndTheLargestWidth) {
  for (std::int32_t bad : {-1, 0, 32, 40}) {
    try {
      THalvexHashArray set(bad, 100);
      FAIL() << bad;
    } catch (const EHalvexException& e) {
      EXPECT_EQ(e.Message(), "Error setting Key, invalid KeySize = " + std::to_string(bad) +
                                 ". KeySize should be >= 0 and < 32 - Native error: 11662");
    }
  }
  for (std::int32_t good : {1, 8, 31}) {
    THalvexHashArray set(good, 1);
    for (std::uint32_t v = 0; v < 300; ++v) ASSERT_FALSE(set.AddIfAbsent(v * 2654435761u)) << good;
    EXPECT_EQ(set.Count(), 300);
  }
}

TEST(HashArray, CallerSuppliedBucketWordsAreCheckedBothWays) {
  int composed = 0;
  THalvexHashArray own(
      4, 16,
      [&](std::uint32_t count, std::uint32_t first) {
        ++composed;
        return static_cast<std::uint64_t>(count) << 32 | first;  // the other way round
      },
      [](std::uint64_t word, std::uint32_t& count, std::uint32_t& first) {
        count = static_cast<std::uint32_t>(word >> 32);
        first = static_cast<std::uint32_t>(word);
      });
  for (std::uint32_t v = 0; v < 1000; ++v) ASSERT_FALSE(own.AddIfAbsent(v));
  for (std::uint32_t v = 0; v < 1000; ++v) ASSERT_TRUE(own.AddIfAbsent(v));
  EXPECT_GT(composed, 0);

  // A splitting function that reports more entries than a bucket can hold.
  THalvexHashArray broken(4, 16, nullptr, [](std::uint64_t, std::uint32_t& count, std::uint32_t& first) {
    count = 99;
    first = 0;
  });
  try {
    broken.AddIfAbsent(1);
    FAIL();
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.Message(), "Invalid count = 99, max count = 15 - Native error: 11664");
  }
}

}  // namespace
}  // namespace halvex
