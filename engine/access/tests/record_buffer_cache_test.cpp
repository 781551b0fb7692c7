#include "engine/access/record_buffer_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace halvex {
namespace {

TEST(RecordBufferCache, ReleasedBufferIsHandedOutAgainWithoutAllocating) {
  THalvexRecordBufferCache cache(64);
  void* a = cache.Acquire();
  void* b = cache.Acquire();
  void* c = cache.Acquire();
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_EQ(MemoryManager().BlockSize(a), 64);
  cache.Release(b);
  const std::int64_t allocations = MemoryManager().AllocationCount();
  EXPECT_EQ(cache.Acquire(), b);
  EXPECT_EQ(MemoryManager().AllocationCount(), allocations);
  EXPECT_EQ(cache.BufferCount(), 3);
  EXPECT_EQ(cache.InUseCount(), 3);

  int foreign = 0;
  cache.Release(&foreign);  // unknown address: nothing changes
  EXPECT_EQ(cache.InUseCount(), 3);
  cache.Release(a);
  cache.Release(c);
  EXPECT_EQ(cache.InUseCount(), 1);
  EXPECT_EQ(cache.Acquire(), a) << "the first free buffer";
}

TEST(RecordBufferCache, BuffersAreFreedWithTheCache) {
  const std::int64_t before = MemoryManager().AllocatedBytes();
  {
    THalvexRecordBufferCache cache(1000);
    for (int i = 0; i < 5; ++i) cache.Acquire();
    EXPECT_GE(MemoryManager().AllocatedBytes(), before + 5000);
  }
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);
}

// Each thread stamps its buffer with its own pattern and checks it is intact
// before giving it back: a buffer handed to two threads at once shows up as a
// foreign pattern.
TEST(RecordBufferCache, NeverHandsOneBufferToTwoThreads) {
  constexpr int kThreads = 4, kRounds = 3000, kSize = 96;
  THalvexRecordBufferCache cache(kSize);
  std::atomic<int> clashes{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        THalvexCachedRecordBuffer held(cache);
        const auto stamp = static_cast<std::uint8_t>(t * 31 + i % 7 + 1);
        std::memset(held.Get(), stamp, kSize);
        std::this_thread::yield();
        for (int k = 0; k < kSize; ++k)
          if (held.Get()[k] != stamp) {
            clashes.fetch_add(1);
            break;
          }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(clashes.load(), 0);
  EXPECT_LE(cache.BufferCount(), kThreads) << "no more buffers than were ever held at once";
  EXPECT_EQ(cache.InUseCount(), 0);
}

}  // namespace
}  // namespace halvex
