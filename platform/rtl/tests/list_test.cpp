#include "platform/rtl/list.h"

#include <gtest/gtest.h>

#include "platform/rtl/exception.h"

namespace platform {
namespace {

TEST(List, KeepsOrderThroughEdits) {
  int a = 1, b = 2, c = 3, d = 4;
  TList list;
  list.Add(&a);
  list.Add(&c);
  list.Insert(1, &b);
  list.Insert(3, &d);  // at Count: appends
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0], &a);
  EXPECT_EQ(list[1], &b);
  EXPECT_EQ(list.Last(), &d);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.Remove(&b), 1);
  EXPECT_EQ(list.Remove(&b), -1);
  list.Move(0, 2);
  EXPECT_EQ(list[2], &a);
  list.Exchange(0, 2);
  EXPECT_EQ(list[0], &a);
  list.Sort([](const void* x, const void* y) { return *static_cast<const int*>(y) - *static_cast<const int*>(x); });
  EXPECT_EQ(list[0], &d);
  EXPECT_EQ(list[2], &a);
}

TEST(List, IndexOutsideRaisesRangeError) {
  TList list;
  int a = 0;
  list.Add(&a);
  for (std::int32_t bad : {-1, 1, 100}) {
    try {
      list.Get(bad);
      FAIL() << bad;
    } catch (const ERangeError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(list.Insert(2, &a), ERangeError);
  EXPECT_THROW(list.Delete(1), ERangeError);
}

}  // namespace
}  // namespace platform
