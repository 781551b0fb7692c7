// Comparing short strings must not allocate. This binary counts every heap
// allocation, both through operator new and through ICU's own allocator,
// while it compares.

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/code_page.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/locale.h"
#include "tests/support/counting_allocator.h"

namespace platform {
namespace {

using halvex::testing::AllocationsDuring;

TEST(CollationAllocations, ShortStringsCompareWithoutAllocating) {
  ASSERT_TRUE(halvex::testing::gIcuAllocationsCounted);
  SetUserLocale("hu_HU");
  SetAnsiCodePage(1250);
  const char* words[] = {"cukor", "csiga", "sz\xE9p", "s\xFCn", "\xC1LOM", "\xE1lom", "co-op", "coop", "o'neil"};
  const char16_t* wide[] = {u"cukor", u"csiga", u"sz\u00E9p", u"s\u00FCn", u"\u0150r"};
  // The first compare builds the collators and this thread's caches.
  EXPECT_EQ(CompareAnsiText("a", -1, "b", -1, false), kCompareLess);
  EXPECT_EQ(CompareAnsiText("a", -1, "b", -1, true), kCompareLess);
  int results = 0;
  const long counted = AllocationsDuring([&] {
    for (int round = 0; round < 100; ++round) {
      for (const char* a : words)
        for (const char* b : words) results += CompareAnsiText(a, -1, b, -1, (round & 1) != 0);
      for (const char16_t* a : wide)
        for (const char16_t* b : wide) results += CompareWideText(a, -1, b, -1, (round & 1) != 0);
    }
  });
  EXPECT_EQ(counted, 0);
  EXPECT_GT(results, 0);
  // The counter does see allocations: text past the stack buffers takes the heap.
  const std::string longText(kCollationStackChars + 10, 'a');
  EXPECT_GT(AllocationsDuring([&] { CompareAnsiText(longText.c_str(), -1, "b", -1, false); }), 0);
}

}  // namespace
}  // namespace platform
