// The memory stream's growth and shrink rules and its creation over an
// existing block of engine memory. Reading, writing and seeking are covered
// for every stream in stream_contract_test.cpp.

#include "engine/storage/memory_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "engine/storage/memory_manager.h"
#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "engine/storage/tests/support/wipe_switch.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/exception.h"

namespace halvex {
namespace {

using testing::ExpectHalvexError;
using testing::TWipeSwitch;

struct TSizeStep {
  std::int64_t size;
  std::int64_t capacity;
  bool keepsBuffer;
};

void RunSteps(THalvexMemoryStream& stream, const std::vector<TSizeStep>& steps) {
  for (const auto& step : steps) {
    SCOPED_TRACE(step.size);
    const std::uint8_t* before = stream.Buffer();
    const std::int64_t unchangedBefore = stream.UnreallocatedSizeChanges();
    stream.SetSize(step.size);
    EXPECT_EQ(stream.Size(), step.size);
    EXPECT_EQ(stream.Capacity(), step.capacity);
    if (step.keepsBuffer) {
      EXPECT_EQ(stream.Buffer(), before);
      EXPECT_EQ(stream.UnreallocatedSizeChanges(), unchangedBefore + 1);
    } else {
      EXPECT_EQ(stream.UnreallocatedSizeChanges(), unchangedBefore);
    }
  }
}

TEST(MemoryStreamTest, CapacityFollowsTheGrowthAndShrinkRules) {
  THalvexMemoryStream stream;
  RunSteps(stream, {
                       {5, 1024, false},     // first buffer: at least 1024
                       {1000, 1024, true},   // fits
                       {2000, 2048, false},  // 1024 + max(1024, 976)
                       {1500, 2048, true},   // 2048 - 1500 < step 1024: only the size
                       {100, 100, false},    // 2048 - 100 >= 1024: exactly 100
                       {101, 1124, false},   // 100 + max(1024, 1)
                       {3000, 3000, false},  // 1124 + max(1024, 1876)
                       {3001, 4024, false},  // 3000 + 1024
                       {6023, 6024, false},  // 4024 + 1999, rounded up to a multiple of 4
                       {0, 0, false},        // freed
                       {20000, 20000, false},
                       {20001, 30240, false},  // step 10240 above 10240 bytes
                   });
  EXPECT_EQ(stream.GrowthAmount(), 10240);
  stream.SetSize(0);
  EXPECT_EQ(stream.Buffer(), nullptr);
}

TEST(MemoryStreamTest, GrowthStepTable) {
  const std::pair<std::int64_t, std::int64_t> steps[] = {
      {0, 4},
      {4, 1020},
      {1, 1024},
      {10240, 1024},
      {10241, 10240},
      {102400, 10240},
      {102401, 102400},
      {1048576, 102400},
      {1048577, 1048576},
      {10485760, 1048576},
      {10485761, 2097152},
      {104857600, 2097152},
      {104857601, 10485760},
      {1073741824, 10485760},
      {1073741825, 104857600},
  };
  for (const auto& [capacity, step] : steps) EXPECT_EQ(THalvexMemoryStream::GrowthStep(capacity), step) << capacity;
}

TEST(MemoryStreamTest, CreatedOverAnEngineBlock) {
  struct TCase {
    std::int64_t size;
    std::int64_t expectedSize;
  };
  for (const TCase c : {TCase{-1, 64}, TCase{10, 10}, TCase{64, 64}, TCase{0, 0}}) {
    SCOPED_TRACE(c.size);
    void* block = MemoryManager().GetMem(64);
    std::memset(block, 0x5A, 64);
    THalvexMemoryStream stream(block, c.size);
    EXPECT_EQ(stream.Buffer(), block);
    EXPECT_EQ(stream.Capacity(), 64);
    EXPECT_EQ(stream.Size(), c.expectedSize);
    EXPECT_EQ(testing::ReadAll(stream), std::vector<std::uint8_t>(static_cast<std::size_t>(c.expectedSize), 0x5A));
  }
}

TEST(MemoryStreamTest, AFourByteBlockGrowsByTheSmallStep) {
  THalvexMemoryStream stream(MemoryManager().GetMem(4), -1);
  RunSteps(stream, {{5, 1024, false}});
}

TEST(MemoryStreamTest, CreationRefusesSizesTheBlockCannotHold) {
  void* block = MemoryManager().GetMem(64);
  EXPECT_THROW(THalvexMemoryStream(block, 65), platform::ERangeError);
  MemoryManager().FreeAndNil(block);  // still the caller's
  EXPECT_THROW(THalvexMemoryStream(nullptr, 1), platform::ERangeError);
  THalvexMemoryStream empty(nullptr, -1);
  EXPECT_EQ(empty.Size(), 0);

  alignas(16) std::array<std::uint8_t, 64> foreign{};
  ExpectHalvexError(30005, "Invalid pointer", [&] { THalvexMemoryStream stream(foreign.data() + 16, -1); });
}

TEST(MemoryStreamTest, BytesBehindAShrinkReadAsZeroWhenTheSizeGrowsAgain) {
  THalvexMemoryStream stream;
  const std::vector<std::uint8_t> ones(2000, 0xAA);
  stream.Write(ones.data(), 2000);
  stream.SetSize(1500);  // keeps the buffer and its old bytes
  stream.SetSize(2000);
  const auto bytes = testing::ReadAll(stream);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 1500), std::vector<std::uint8_t>(1500, 0xAA));
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 1500, bytes.end()), std::vector<std::uint8_t>(500, 0));
}

TEST(WipeTest, TheSwitchIsOffAtStartAndGatesWiping) {
  EXPECT_FALSE(WipeEnabled());
  std::array<std::uint8_t, 8> bytes;
  bytes.fill(0x77);
  WipeBytes(bytes.data(), bytes.size());
  EXPECT_EQ(bytes[0], 0x77);
  TWipeSwitch on(true);
  WipeBytes(bytes.data(), 4);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 0x77, 0x77, 0x77, 0x77}));
}

TEST(MemoryStreamTest, ContentsSurviveReallocationWithTheWipeSwitchEitherWay) {
  for (const bool wipe : {false, true}) {
    SCOPED_TRACE(wipe);
    TWipeSwitch setting(wipe);
    const std::int64_t allocatedBefore = MemoryManager().AllocatedBytes();
    {
      THalvexMemoryStream stream;
      const auto data = testing::PatternBytes(5000, 27);
      for (std::size_t at = 0; at < data.size(); at += 700)
        stream.Write(data.data() + at, static_cast<std::int64_t>(std::min<std::size_t>(700, data.size() - at)));
      EXPECT_EQ(testing::ReadAll(stream), data);
      stream.SetSize(100);  // reallocated to exactly 100
      EXPECT_EQ(stream.Capacity(), 100);
      stream.SetSize(3000);
      auto expected = std::vector<std::uint8_t>(data.begin(), data.begin() + 100);
      expected.resize(3000, 0);
      EXPECT_EQ(testing::ReadAll(stream), expected);
      EXPECT_EQ(MemoryManager().AllocatedBytes(), allocatedBefore + stream.Capacity());
    }
    EXPECT_EQ(MemoryManager().AllocatedBytes(), allocatedBefore);
  }
}

TEST(MemoryStreamTest, SizesBeyondOneEngineBlockRaiseTheManagersErrors) {
  THalvexMemoryStream stream;
  ExpectHalvexError(30015, "GetMem error: Out of memory", [&] { stream.SetSize(std::int64_t{0x80000000}); });
  stream.SetSize(10);
  ExpectHalvexError(30014, "ReallocMem error: Out of memory", [&] { stream.SetSize(std::int64_t{0x80000000}); });
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_THROW(stream.SetSize(-1), platform::ERangeError);
}

TEST(MemoryStreamTest, BufferComesFromTheEngineMemoryManager) {
  const std::int64_t before = MemoryManager().AllocatedBytes();
  {
    THalvexMemoryStream stream;
    stream.SetSize(5000);
    EXPECT_EQ(MemoryManager().BlockSize(stream.Buffer()), stream.Capacity());
    EXPECT_EQ(MemoryManager().AllocatedBytes(), before + stream.Capacity());
  }
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);
}

}  // namespace
}  // namespace halvex
