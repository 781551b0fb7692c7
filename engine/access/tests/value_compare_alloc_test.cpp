// Comparing stored values must not allocate: index keys and scans compare
// once per record. This binary counts every heap allocation while it compares.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/access/value_compare.h"
#include "engine/access/variant.h"
#include "engine/storage/data_types.h"
#include "platform/rtl/code_page.h"
#include "platform/rtl/locale.h"
#include "tests/support/counting_allocator.h"

namespace halvex {
namespace {

using testing::AllocationsDuring;

TEST(ValueCompareAllocations, StoredValuesCompareWithoutAllocating) {
  ASSERT_TRUE(testing::gIcuAllocationsCounted);
  platform::SetUserLocale("hu_HU");
  platform::SetAnsiCodePage(1250);
  // Record-form values: text with terminators, numbers in their width.
  const char titleA[101] = "cukor";
  const char titleB[101] = "csiga";
  const char16_t wideA[11] = u"sz\u00E9p";
  const char16_t wideB[11] = u"s\u00FCn";
  const std::int32_t i32 = 7;
  const double f64 = 7.5;
  const std::int32_t dateTimeA[2] = {730119, 5};
  const std::int32_t dateTimeB[2] = {730119, 6};
  THalvexVariant memo(hbtTextBlob);
  memo.SetData("cukrot", 6, false, 1, hbtTextBlob);
  THalvexVariant text(hbtVarChar);
  text.SetAsString("cukor");
  EXPECT_EQ(CompareValues(titleA, 101, titleB, 101, hbtVarChar, hbtVarChar, false, -1, false, false),
            kCompareLessThan);  // builds the collators
  int sum = 0;
  const long counted = AllocationsDuring([&] {
    for (int i = 0; i < 200; ++i) {
      const bool ci = (i & 1) != 0;
      sum += CompareValues(titleA, 101, titleB, 101, hbtVarChar, hbtFixedChar, ci, -1, false, false);
      sum += CompareValues(wideA, 22, wideB, 22, hbtVarWideChar, hbtVarWideChar, ci, -1, false, false);
      sum += CompareValues(&i32, 4, &f64, 8, hbtInt32, hbtDouble, false, -1, false, false);
      sum += CompareValues(dateTimeA, 8, dateTimeB, 8, hbtDateTime, hbtDateTime, false, -1, false, false);
      sum += CompareValues(nullptr, 0, &i32, 4, hbtInt32, hbtInt32, false, -1, true, false);
      sum += memo.Compare(text, false, false, ci);
      sum += text.Compare(memo, true, true, ci);
    }
  });
  EXPECT_EQ(counted, 0);
  EXPECT_GT(sum, 0);
  platform::SetAnsiCodePage(0);
  platform::SetUserLocale("");
}

}  // namespace
}  // namespace halvex
