#pragma once
// Counts heap allocations, through operator new and through ICU's
// allocator, while a piece of work runs. Include it in exactly one source
// file of a test binary of its own: it replaces the global allocation
// functions of that binary.

#include <unicode/uclean.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

namespace halvex::testing {

inline std::atomic<bool> gCountAllocations{false};
inline std::atomic<long> gAllocationCount{0};

inline void NoteAllocation() {
  if (gCountAllocations.load(std::memory_order_relaxed)) gAllocationCount.fetch_add(1, std::memory_order_relaxed);
}

inline void* U_CALLCONV CountingIcuAlloc(const void*, size_t size) {
  NoteAllocation();
  return std::malloc(size);
}
inline void* U_CALLCONV CountingIcuRealloc(const void*, void* block, size_t size) {
  NoteAllocation();
  return std::realloc(block, size);
}
inline void U_CALLCONV CountingIcuFree(const void*, void* block) { std::free(block); }

// ICU takes its allocator before its first use, so this runs at start-up.
inline const bool gIcuAllocationsCounted = [] {
  UErrorCode status = U_ZERO_ERROR;
  u_setMemoryFunctions(nullptr, CountingIcuAlloc, CountingIcuRealloc, CountingIcuFree, &status);
  return U_SUCCESS(status);
}();

// Allocations made while work ran (on any thread).
inline long AllocationsDuring(const std::function<void()>& work) {
  gAllocationCount = 0;
  gCountAllocations = true;
  work();
  gCountAllocations = false;
  return gAllocationCount.load();
}

}  // namespace halvex::testing

// The replacements pair malloc with free; the compiler cannot see that
// every block they free came from the replaced new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  halvex::testing::NoteAllocation();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
