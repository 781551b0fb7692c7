#include "platform/rtl/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(CriticalSection, HolderMayReenter) {
  TCriticalSection section;
  section.Enter();
  section.Enter();  // a non-recursive lock would deadlock here
  section.Leave();
  section.Leave();
  EXPECT_TRUE(section.TryEnter());
  section.Leave();
}

TEST(CriticalSection, ExcludesOtherThreads) {
  TCriticalSection section;
  long counter = 0;  // deliberately plain: only the section protects it
  int inside = 0;
  bool overlapped = false;
  constexpr int kThreads = 4, kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        TCriticalSectionGuard guard(section);
        if (++inside != 1) overlapped = true;
        ++counter;
        --inside;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(counter, long{kThreads} * kRounds);
}

TEST(CriticalSection, TryEnterFailsWhileAnotherThreadHolds) {
  TCriticalSection section;
  section.Enter();
  bool acquired = true;
  std::thread([&] { acquired = section.TryEnter(); }).join();
  section.Leave();
  EXPECT_FALSE(acquired);
}

TEST(ThreadId, StablePerThreadAndDistinctAcrossLiveThreads) {
  const std::int32_t self = GetCurrentThreadId();
  EXPECT_GT(self, 0);
  EXPECT_EQ(self, GetCurrentThreadId());
  constexpr int kThreads = 6;
  std::vector<std::int32_t> ids(kThreads);
  std::atomic<int> arrived{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      ids[t] = GetCurrentThreadId();
      // Keep every thread alive until all have read their id.
      arrived.fetch_add(1);
      while (arrived.load() < kThreads) ThreadYield();
    });
  for (auto& t : threads) t.join();
  std::set<std::int32_t> distinct(ids.begin(), ids.end());
  distinct.insert(self);
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads + 1));
}

TEST(TickCount, NeverGoesBackwards) {
  std::uint64_t last = GetTickCount64();
  for (int i = 0; i < 1000; ++i) {
    const std::uint64_t now = GetTickCount64();
    ASSERT_GE(now, last);
    last = now;
  }
  EXPECT_EQ(static_cast<std::uint32_t>(GetTickCount64()) - GetTickCount(), 0u) << "32-bit count is the low half";
}

}  // namespace
}  // namespace platform
