#include "engine/access/bits_array.h"

#include <gtest/gtest.h>

#include "tests/support/halvex_errors.h"

#include <random>
#include <vector>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

using halvex::testing::Raised;

TEST(BitsArray, BitsAreLeastSignificantFirstAndSetCountFollowsChanges) {
  THalvexBitsArray bits;
  bits.SetBitCount(20);
  EXPECT_EQ(bits.SetCount(), 0);
  bits.SetBit(0, true);
  bits.SetBit(9, true);
  bits.SetBit(19, true);
  EXPECT_EQ(bits.Bits()[0], 0x01);
  EXPECT_EQ(bits.Bits()[1], 0x02);
  EXPECT_EQ(bits.Bits()[2], 0x08);
  EXPECT_EQ(bits.SetCount(), 3);
  bits.SetBit(9, true);  // already set
  EXPECT_EQ(bits.SetCount(), 3);
  bits.SetBit(9, false);
  bits.SetBit(9, false);
  EXPECT_EQ(bits.SetCount(), 2);
  EXPECT_TRUE(bits.GetBit(19));
  EXPECT_FALSE(bits.GetBit(9));
}

TEST(BitsArray, IndexOutsideRaisesWithItsCode) {
  THalvexBitsArray bits;
  bits.SetBitCount(8);
  EXPECT_EQ(Raised([&] { bits.GetBit(8); }).Message(), "Invalid bit no = 8, number of bits = 8 - Native error: 10394");
  EXPECT_EQ(Raised([&] { bits.SetBit(8, true); }).Message(),
            "Invalid bit no = 8, number of bits = 8 - Native error: 10395");
  EXPECT_EQ(Raised([&] { bits.GetBit(-1); }).NativeError(), 10394);
  THalvexBitsArray empty;
  EXPECT_EQ(Raised([&] { empty.GetBit(0); }).Message(), "Invalid bit no = 0, number of bits = 0 - Native error: 10394");
}

TEST(BitsArray, ResizingKeepsBitsAndRecountsWhenShrinking) {
  THalvexBitsArray bits;
  bits.SetBitCount(30);
  for (int i : {1, 5, 12, 13, 29}) bits.SetBit(i, true);
  bits.SetBitCount(13);  // cuts 13 and 29
  EXPECT_EQ(bits.SetCount(), 3);
  bits.SetBitCount(40);  // the bits cut off come back as zero
  EXPECT_EQ(bits.SetCount(), 3);
  EXPECT_FALSE(bits.GetBit(13));
  EXPECT_FALSE(bits.GetBit(29));
  EXPECT_TRUE(bits.GetBit(12));
  bits.SetBitCount(0);
  EXPECT_EQ(bits.SetCount(), 0);
  EXPECT_EQ(bits.Bits(), nullptr);
}

TEST(BitsArray, FindFirstMatchesAReferenceScan) {
  std::mt19937 rng(5);
  for (int count : {1, 7, 8, 9, 64, 200}) {
    for (int density : {0, 1, 50, 99, 100}) {
      THalvexBitsArray bits;
      bits.SetBitCount(count);
      std::vector<bool> ref(count);
      for (int i = 0; i < count; ++i)
        if (static_cast<int>(rng() % 100) < density) {
          bits.SetBit(i, true);
          ref[i] = true;
        }
      for (bool value : {false, true}) {
        int expected = -1;
        for (int i = 0; i < count && expected < 0; ++i)
          if (ref[i] == value) expected = i;
        EXPECT_EQ(bits.FindFirst(value), expected) << count << "/" << density << "/" << value;
      }
    }
  }
}

TEST(BitsArray, StreamFormIsCountsThenBytes) {
  THalvexBitsArray bits;
  bits.SetBitCount(12);
  bits.SetBit(0, true);
  bits.SetBit(11, true);
  platform::TBytesStream stream;
  bits.SaveToStream(stream);
  const std::vector<std::uint8_t> expected = {12, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x08};
  EXPECT_EQ(stream.Bytes(), expected);

  stream.SetPosition(0);
  THalvexBitsArray loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.BitCount(), 12);
  EXPECT_EQ(loaded.SetCount(), 2);
  EXPECT_TRUE(loaded.GetBit(11));

  THalvexBitsArray none;
  platform::TBytesStream empty;
  none.SaveToStream(empty);
  EXPECT_EQ(empty.Bytes(), (std::vector<std::uint8_t>(8, 0)));
}

TEST(BitsArray, LoadingDamagedStreamsRaisesAndLeavesTheArrayEmpty) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::int32_t code;
  };
  const Case cases[] = {
      {"no bit count", {12, 0}, 10401},
      {"no set count", {12, 0, 0, 0, 2}, 10426},
      {"bytes missing", {12, 0, 0, 0, 2, 0, 0, 0, 0x01}, 10402},
      {"negative count", {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, 10402},
      {"count beyond the stream", {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 1, 2, 3}, 10402},
  };
  for (const auto& c : cases) {
    THalvexBitsArray bits;
    bits.SetBitCount(5);
    bits.SetBit(1, true);
    platform::TBytesStream stream(c.bytes);
    EXPECT_EQ(Raised([&] { bits.LoadFromStream(stream); }).NativeError(), c.code) << c.what;
    if (c.code == 10402) {
      EXPECT_EQ(bits.BitCount(), 0) << c.what;
      EXPECT_EQ(bits.SetCount(), 0) << c.what;
    }
  }
}

TEST(BitsArray, LoadTrustsTheBitsNotTheStoredSetCount) {
  // The stored SetCount says 7 and a stray bit lies past the bit count.
  platform::TBytesStream stream(std::vector<std::uint8_t>{3, 0, 0, 0, 7, 0, 0, 0, 0xF5});
  THalvexBitsArray bits;
  bits.LoadFromStream(stream);
  EXPECT_EQ(bits.SetCount(), 2);
  EXPECT_EQ(bits.FindFirst(false), 1);
  bits.SetBitCount(8);
  EXPECT_EQ(bits.SetCount(), 2) << "the stray bits were not loaded";
}

}  // namespace
}  // namespace halvex
