// Comparing short strings must not allocate. This binary counts every heap
// allocation, both through operator new and through ICU's own allocator,
// while it compares.

#include <unicode/uclean.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/rtl/code_page.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/locale.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void Note() {
  if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
}

void* U_CALLCONV IcuAlloc(const void*, size_t size) {
  Note();
  return std::malloc(size);
}
void* U_CALLCONV IcuRealloc(const void*, void* block, size_t size) {
  Note();
  return std::realloc(block, size);
}
void U_CALLCONV IcuFree(const void*, void* block) { std::free(block); }

// ICU takes its allocator before its first use.
const bool gIcuCounted = [] {
  UErrorCode status = U_ZERO_ERROR;
  u_setMemoryFunctions(nullptr, IcuAlloc, IcuRealloc, IcuFree, &status);
  return U_SUCCESS(status);
}();

}  // namespace

// The replacements pair malloc with free; the compiler cannot see that
// every block they free came from the replaced new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  Note();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace platform {
namespace {

long AllocationsDuring(const std::function<void()>& work) {
  gAllocations = 0;
  gCounting = true;
  work();
  gCounting = false;
  return gAllocations.load();
}

TEST(CollationAllocations, ShortStringsCompareWithoutAllocating) {
  ASSERT_TRUE(gIcuCounted);
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
