#include "platform/rtl/random.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace platform {
namespace {

TEST(RandomGenerator, SameSeedSameSequence) {
  TRandomGenerator a(1234), b(1234), c(4321);
  std::vector<std::int32_t> sa, sb, sc;
  for (int i = 0; i < 100; ++i) {
    sa.push_back(a.Next(1000000));
    sb.push_back(b.Next(1000000));
    sc.push_back(c.Next(1000000));
  }
  EXPECT_EQ(sa, sb);
  EXPECT_NE(sa, sc);
}

TEST(RandomGenerator, DrawsStayInRangeAndCoverIt) {
  TRandomGenerator g(7);
  std::set<std::int32_t> seen;
  for (int i = 0; i < 5000; ++i) {
    const std::int32_t v = g.Next(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    seen.insert(v);
    const double f = g.NextFloat();
    ASSERT_GE(f, 0.0);
    ASSERT_LT(f, 1.0);
  }
  EXPECT_EQ(seen.size(), 10u);
  for (int i = 0; i < 1000; ++i) ASSERT_LT(g.Next(2147483647), 2147483647);
}

TEST(ProcessRandom, ReseedingRepeatsTheSequence) {
  RandSeed(99);
  const std::int32_t first = Random(1 << 30);
  const double second = RandomFloat();
  RandSeed(99);
  EXPECT_EQ(Random(1 << 30), first);
  EXPECT_EQ(RandomFloat(), second);
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(-5), 0);
}

}  // namespace
}  // namespace platform
