#include "engine/storage/memory_manager.h"

#include <gtest/gtest.h>

#include "tests/support/halvex_errors.h"

#include <cstring>
#include <thread>
#include <vector>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

using halvex::testing::Raised;

std::uint32_t LoadU32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }

TEST(MemoryManager, BlockFrameMatchesTheLayout) {
  THalvexMemoryManager mm;
  void* block = mm.GetMem(5);
  const auto* user = static_cast<const std::uint8_t*>(block);
  EXPECT_EQ(LoadU32(user - 9), 5u) << "size";
  EXPECT_EQ(user[-5], 0) << "method: platform heap";
  EXPECT_EQ(LoadU32(user - 4), 0xACCACCACu) << "signature";
  EXPECT_EQ(LoadU32(user + 5), 0xACCEACCEu) << "guard";
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << "caller bytes are aligned";
  EXPECT_EQ(mm.BlockSize(block), 5);
  mm.FreeAndNil(block);
  EXPECT_EQ(block, nullptr);
}

struct MethodCase {
  std::int32_t size;
  TMemoryAllocationMethod method;
};

void PrintTo(const MethodCase& c, std::ostream* os) { *os << "GetMem(" << c.size << ")"; }

class MethodThresholds : public ::testing::TestWithParam<MethodCase> {};

TEST_P(MethodThresholds, FollowTheTotalBlockSize) {
  THalvexMemoryManager mm;
  void* block = mm.GetMem(GetParam().size);
  EXPECT_EQ(THalvexMemoryManager::BlockMethod(block), GetParam().method);
  mm.FreeAndNil(block);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MethodThresholds,
                         ::testing::Values(MethodCase{1, TMemoryAllocationMethod::mamHeap},
                                           MethodCase{713, TMemoryAllocationMethod::mamHeap},
                                           MethodCase{714, TMemoryAllocationMethod::mamGlobal},
                                           MethodCase{64487, TMemoryAllocationMethod::mamGlobal},
                                           MethodCase{64488, TMemoryAllocationMethod::mamHeap},
                                           MethodCase{1048563, TMemoryAllocationMethod::mamHeap},
                                           MethodCase{1048564, TMemoryAllocationMethod::mamGlobal}));

TEST(MemoryManager, AccountsLiveBytesAndPeak) {
  THalvexMemoryManager mm;
  void* a = mm.GetMem(100);
  void* b = mm.AllocMem(300);
  EXPECT_EQ(mm.AllocatedBytes(), 400);
  mm.FreeAndNil(a);
  EXPECT_EQ(mm.AllocatedBytes(), 300);
  EXPECT_EQ(mm.PeakAllocatedBytes(), 400);
  mm.ReallocMem(b, 50);
  EXPECT_EQ(mm.AllocatedBytes(), 50);
  mm.FreeAndNil(b);
  EXPECT_EQ(mm.AllocatedBytes(), 0);
  EXPECT_EQ(mm.AllocationCount(), 3);
  EXPECT_EQ(mm.ZeroFilledAllocationCount(), 1);
  EXPECT_EQ(mm.FreeCount(), 3);
  EXPECT_EQ(mm.ReallocationCount(), 1);
}

TEST(MemoryManager, AllocMemZeroesAndReallocKeepsOrZeroes) {
  THalvexMemoryManager mm;
  auto* p = static_cast<std::uint8_t*>(mm.AllocMem(64));
  for (int i = 0; i < 64; ++i) ASSERT_EQ(p[i], 0);
  for (int i = 0; i < 64; ++i) p[i] = static_cast<std::uint8_t>(i + 1);
  mm.ReallocMem(p, 16, true);  // smaller: first bytes kept
  EXPECT_EQ(mm.BlockSize(p), 16);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(p[i], i + 1);
  mm.ReallocMem(p, 4096, true);  // larger with zero fill: zeros behind the old contents
  for (int i = 0; i < 16; ++i) ASSERT_EQ(p[i], i + 1);
  for (int i = 16; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
  mm.ReallocMem(p, 8192, false);  // larger without zero fill still keeps the contents
  for (int i = 0; i < 16; ++i) ASSERT_EQ(p[i], i + 1);
  mm.FreeAndNil(p);

  void* fresh = nullptr;  // a null variable gets a new block
  mm.ReallocMem(fresh, 10);
  EXPECT_EQ(mm.BlockSize(fresh), 10);
  mm.FreeAndNil(fresh);
}

TEST(MemoryManager, OverrunIsDetectedAfterTheBlockIsFreed) {
  THalvexMemoryManager mm;
  void* block = mm.GetMem(32);
  static_cast<std::uint8_t*>(block)[32] ^= 0xFF;  // one byte past the end
  const auto e = Raised([&] { mm.FreeAndNil(block); });
  EXPECT_EQ(e.NativeError(), 30137);
  EXPECT_EQ(e.Message(), "Memory overrun detected - Native error: 30137");
  EXPECT_EQ(block, nullptr) << "the block was freed";
  EXPECT_EQ(mm.AllocatedBytes(), 0) << "and its bytes already subtracted";

  void* grown = mm.GetMem(8);
  static_cast<std::uint8_t*>(grown)[8] = 0;
  EXPECT_EQ(Raised([&] { mm.ReallocMem(grown, 16); }).NativeError(), 30137);
  EXPECT_EQ(mm.BlockSize(grown), 16) << "the new block was stored before reporting";
  mm.FreeAndNil(grown);
}

TEST(MemoryManager, ForeignAddressesAreRefusedBeforeAnythingChanges) {
  THalvexMemoryManager mm;
  void* live = mm.GetMem(10);
  alignas(16) std::uint8_t foreign[64] = {};
  void* address = foreign + 32;
  struct Site {
    const char* name;
    std::int32_t code;
    std::function<void()> call;
  };
  const Site sites[] = {
      {"FreeAndNil", 30001, [&] { mm.FreeAndNil(address); }},
      {"ReallocMem", 30002, [&] { mm.ReallocMem(address, 20); }},
      {"BlockSize", 30005, [&] { (void)mm.BlockSize(address); }},
  };
  for (const auto& site : sites) {
    const auto e = Raised(site.call);
    EXPECT_EQ(e.NativeError(), site.code) << site.name;
    EXPECT_EQ(e.Message(), "Invalid pointer - Native error: " + std::to_string(site.code)) << site.name;
    EXPECT_EQ(address, foreign + 32) << site.name;
    EXPECT_EQ(mm.AllocatedBytes(), 10) << site.name;
  }
  mm.FreeAndNil(live);
  EXPECT_EQ(mm.BlockSize(nullptr), 0);
  mm.FreeAndNil(live);  // null: nothing to do
  EXPECT_EQ(mm.FreeCount(), 1);
}

TEST(MemoryManager, SizeChecksAndLimit) {
  THalvexMemoryManager mm;
  EXPECT_EQ(Raised([&] { mm.GetMem(0); }).Message(), "Cannot alocate 0 bytes - Native error: 30286");
  const auto negative = Raised([&] { mm.GetMem(-1); });
  EXPECT_EQ(negative.Message(), "GetMem error: Out of memory - Native error: 30015");

  mm.SetMemoryLimit(1000);
  void* a = mm.GetMem(600);
  const auto over = Raised([&] { mm.GetMem(401); });
  EXPECT_EQ(over.Message(), "Memory limit exceeded (Limit = 1000 bytes) - Native error: 30004");
  EXPECT_EQ(mm.AllocatedBytes(), 600) << "a refused request changes nothing";
  void* b = mm.GetMem(400);  // exactly at the limit is allowed
  EXPECT_EQ(Raised([&] { mm.ReallocMem(a, 700); }).NativeError(), 30004);
  EXPECT_EQ(mm.BlockSize(a), 600) << "a refused reallocation keeps the old block";
  mm.FreeAndNil(a);
  mm.FreeAndNil(b);
  mm.SetMemoryLimit(0);
  void* big = mm.GetMem(2000);
  mm.FreeAndNil(big);
}

TEST(MemoryManager, PlatformRefusalIsWrappedPerOperation) {
  THalvexMemoryManager mm;
  // The heap cannot give 2 GiB - 1 bytes when the process address space is
  // capped; without a cap it may succeed, which is fine as well.
  void* p = nullptr;
  try {
    p = mm.GetMem(0x7FFFFFFF);
    mm.FreeAndNil(p);
  } catch (const EHalvexException& e) {
    EXPECT_EQ(e.NativeError(), 30015);
    EXPECT_EQ(e.Message(), "GetMem error: Out of memory - Native error: 30015");
  }
  void* small = mm.GetMem(4);
  EXPECT_EQ(Raised([&] { mm.ReallocMem(small, -5); }).Message(),
            "ReallocMem error: Out of memory - Native error: 30014");
  EXPECT_EQ(mm.BlockSize(small), 4);
  mm.FreeAndNil(small);
  EXPECT_EQ(mm.AllocatedBytes(), 0);
}

TEST(MemoryManager, AvailableMemoryHonoursTheLimit) {
  THalvexMemoryManager mm;
  const std::int64_t available = mm.AvailableMemory();
  EXPECT_GT(available, 0);
  EXPECT_EQ(mm.AvailablePhysical(), available);
  mm.SetMemoryLimit(4096);
  EXPECT_EQ(mm.AvailableMemory(), 4096);
}

TEST(MemoryManager, AccountingIsExactUnderConcurrentUse) {
  THalvexMemoryManager mm;
  constexpr int kThreads = 4, kRounds = 5000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      std::vector<void*> held;
      for (int i = 0; i < kRounds; ++i) {
        held.push_back(mm.GetMem(1 + (i * 7 + t) % 200));
        if (held.size() > 8) {
          mm.ReallocMem(held.front(), 1 + i % 50);
          mm.FreeAndNil(held.front());
          held.erase(held.begin());
        }
      }
      for (void*& p : held) mm.FreeAndNil(p);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(mm.AllocatedBytes(), 0);
  EXPECT_GT(mm.PeakAllocatedBytes(), 0);
  EXPECT_EQ(mm.AllocationCount(), mm.FreeCount());
}

TEST(MemoryBlock, FreesOnEveryPath) {
  const std::int64_t before = MemoryManager().AllocatedBytes();
  try {
    THalvexMemoryBlock block(128, true);
    EXPECT_EQ(block.Size(), 128);
    EXPECT_EQ(block.Bytes()[127], 0);
    block.Resize(256);
    EXPECT_EQ(MemoryManager().AllocatedBytes(), before + 256);
    throw std::runtime_error("unwind");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);

  THalvexMemoryBlock a(16);
  THalvexMemoryBlock b = std::move(a);
  EXPECT_FALSE(a);
  EXPECT_EQ(b.Size(), 16);
  void* raw = b.Release();
  EXPECT_FALSE(b);
  b.Reset(raw);  // takes it back
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before + 16);
  b.Free();
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);
}

}  // namespace
}  // namespace halvex
