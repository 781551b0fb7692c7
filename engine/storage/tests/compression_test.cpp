// The compression selector: names, refusals, zlib and bzip2 round trips and
// their stream formats, bounded decompression, and the PPM framing that does
// not need the codec itself.

#include "engine/storage/compression.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/exception.h"

namespace halvex {
namespace {

using testing::PatternBytes;

TEST(CompressionNamesTest, NamesConvertIgnoringCase) {
  const std::pair<const char*, std::uint8_t> cases[] = {
      {"NONE", 0}, {"none", 0}, {"ZLIB", 1}, {"zlib", 1}, {"ZLib", 1},  {"BZIP", 2},  {"bzip", 2},
      {"PPM", 3},  {"pPm", 3},  {"Zip", 0},  {"", 0},     {"ZLIB ", 0}, {"BZIP2", 0},
  };
  for (const auto& [name, value] : cases) EXPECT_EQ(CompressionAlgorithmFromName(name), value) << name;
  const char* names[] = {"NONE", "ZLIB", "BZIP", "PPM"};
  for (std::uint8_t value = 0; value <= 3; ++value) EXPECT_EQ(CompressionAlgorithmName(value), names[value]);
  EXPECT_THROW(CompressionAlgorithmName(4), platform::ERangeError);
  EXPECT_THROW(CompressionAlgorithmName(255), platform::ERangeError);
}

struct TRefusal {
  std::uint8_t algorithm;
  std::uint8_t mode;
  std::int64_t size;
};

TEST(CompressBufferTest, RefusesWhatNoCompressorTakes) {
  const auto input = PatternBytes(100, 30);
  const TRefusal cases[] = {
      {caNone, 0, 100},  {caZlib, 6, 0},  {caZlib, 6, -1},  {caZlib, 10, 100}, {caBzip, 0, 100},
      {caBzip, 10, 100}, {caPpm, 0, 100}, {caPpm, 10, 100}, {4, 1, 100},       {255, 1, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::vector<int>{c.algorithm, c.mode, static_cast<int>(c.size)}));
    THalvexHeapBytes output{1, 2, 3};
    EXPECT_FALSE(CompressBuffer(c.algorithm, c.mode, input.data(), c.size, output));
    EXPECT_TRUE(output.empty());
  }
}

struct TRoundTrip {
  std::uint8_t algorithm;
  std::uint8_t mode;
  std::size_t size;
  bool noisy;
};

class CompressionRoundTripTest : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(CompressionRoundTripTest, DecompressesToTheInputWithAndWithoutTheExpectedSize) {
  const auto& c = GetParam();
  const auto input = PatternBytes(c.size, static_cast<std::uint32_t>(c.size + c.mode), c.noisy);
  THalvexHeapBytes packed;
  ASSERT_TRUE(CompressBuffer(c.algorithm, c.mode, input.data(), static_cast<std::int64_t>(input.size()), packed));
  ASSERT_FALSE(packed.empty());

  for (const std::int64_t expected : {static_cast<std::int64_t>(c.size), std::int64_t{0}}) {
    SCOPED_TRACE(expected);
    std::int64_t size = expected;
    THalvexHeapBytes unpacked;
    ASSERT_TRUE(DecompressBuffer(c.algorithm, packed.data(), static_cast<std::int64_t>(packed.size()), size, unpacked));
    EXPECT_EQ(size, static_cast<std::int64_t>(c.size));
    EXPECT_TRUE(std::equal(unpacked.begin(), unpacked.end(), input.begin(), input.end()));
  }

  // The output is the library's own format, readable by the library alone.
  std::vector<std::uint8_t> check(c.size);
  if (c.algorithm == caZlib) {
    uLongf length = static_cast<uLongf>(check.size());
    ASSERT_EQ(uncompress(check.data(), &length, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
    EXPECT_EQ(length, c.size);
  } else {
    unsigned length = static_cast<unsigned>(check.size());
    ASSERT_EQ(
        BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(check.data()), &length,
                                   reinterpret_cast<char*>(packed.data()), static_cast<unsigned>(packed.size()), 0, 0),
        BZ_OK);
    EXPECT_EQ(packed[3], '0' + c.mode);  // "BZh" and the block size
  }
  EXPECT_EQ(check, input);
}

INSTANTIATE_TEST_SUITE_P(ZlibAndBzip, CompressionRoundTripTest,
                         ::testing::Values(TRoundTrip{caZlib, 0, 1, false}, TRoundTrip{caZlib, 1, 255, false},
                                           TRoundTrip{caZlib, 6, 256, true}, TRoundTrip{caZlib, 9, 100000, false},
                                           TRoundTrip{caZlib, 9, 300000, true}, TRoundTrip{caZlib, 3, 1 << 20, false},
                                           TRoundTrip{caBzip, 1, 1, false}, TRoundTrip{caBzip, 5, 4096, true},
                                           TRoundTrip{caBzip, 9, 250000, false}, TRoundTrip{caBzip, 1, 300000, true}));

TEST(CompressBufferTest, ZlibLevelIsTheMode) {
  // The second header byte records the level class: 0-1, 2-5, 6, 7-9.
  const std::pair<std::uint8_t, std::uint8_t> cases[] = {{0, 0x01}, {1, 0x01}, {5, 0x5E}, {6, 0x9C}, {9, 0xDA}};
  const auto input = PatternBytes(1000, 31);
  for (const auto& [mode, flags] : cases) {
    THalvexHeapBytes packed;
    ASSERT_TRUE(CompressBuffer(caZlib, mode, input.data(), 1000, packed));
    EXPECT_EQ(packed[0], 0x78);
    EXPECT_EQ(packed[1], flags) << int{mode};
  }
}

class DecompressBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = PatternBytes(50000, 32);
    ASSERT_TRUE(CompressBuffer(caZlib, 6, input_.data(), 50000, zlib_));
    ASSERT_TRUE(CompressBuffer(caBzip, 9, input_.data(), 50000, bzip_));
  }

  static bool Decompress(std::uint8_t algorithm, const THalvexHeapBytes& packed, std::int64_t& size,
                         std::int64_t inputSize = -1) {
    THalvexHeapBytes out{9};
    const bool ok = DecompressBuffer(algorithm, packed.data(),
                                     inputSize < 0 ? static_cast<std::int64_t>(packed.size()) : inputSize, size, out);
    EXPECT_EQ(static_cast<std::int64_t>(out.size()), size);
    return ok;
  }

  std::vector<std::uint8_t> input_;
  THalvexHeapBytes zlib_;
  THalvexHeapBytes bzip_;
};

TEST_F(DecompressBufferTest, AnExpectedSizeIsAnUpperBound) {
  for (const auto* packed : {&zlib_, &bzip_}) {
    const std::uint8_t algorithm = packed == &zlib_ ? caZlib : caBzip;
    SCOPED_TRACE(int{algorithm});
    std::int64_t size = 49999;  // less than the data holds: refused, not grown
    EXPECT_FALSE(Decompress(algorithm, *packed, size));
    EXPECT_EQ(size, 0);
    size = 60000;  // more: the real size comes back
    EXPECT_TRUE(Decompress(algorithm, *packed, size));
    EXPECT_EQ(size, 50000);
    size = 0x7FFFFFFF;  // a false claim costs no more than the data
    EXPECT_TRUE(Decompress(algorithm, *packed, size));
    EXPECT_EQ(size, 50000);
    size = std::int64_t{0x80000000};
    EXPECT_FALSE(Decompress(algorithm, *packed, size));
  }
}

TEST_F(DecompressBufferTest, BrokenInputFails) {
  for (const auto* packed : {&zlib_, &bzip_}) {
    const std::uint8_t algorithm = packed == &zlib_ ? caZlib : caBzip;
    SCOPED_TRACE(int{algorithm});
    std::int64_t size = 50000;
    EXPECT_FALSE(Decompress(algorithm, *packed, size, static_cast<std::int64_t>(packed->size()) / 2));  // truncated
    THalvexHeapBytes damaged = *packed;
    damaged[damaged.size() / 2] ^= 0x55;
    size = 50000;
    EXPECT_FALSE(Decompress(algorithm, damaged, size));
    const THalvexHeapBytes garbage(1000, 0x42);
    size = 0;
    EXPECT_FALSE(Decompress(algorithm, garbage, size));
    size = 50000;
    EXPECT_FALSE(Decompress(algorithm, *packed, size, 0));
  }
  std::int64_t size = 50000;
  EXPECT_FALSE(Decompress(caNone, zlib_, size));
  size = 50000;
  EXPECT_FALSE(Decompress(4, zlib_, size));
}

TEST(PpmFramingTest, ParametersAndInformationWordByMode) {
  struct TCase {
    std::uint8_t mode;
    int order;
    int memory;
    std::uint32_t word;
  };
  const TCase cases[] = {
      {1, 2, 2, 0x6011},  {2, 3, 3, 0x6022},   {3, 4, 7, 0x6063},    {4, 5, 16, 0x60F4},   {5, 7, 30, 0x61D6},
      {6, 8, 30, 0x61D7}, {7, 10, 45, 0x62C9}, {8, 13, 100, 0x663C}, {9, 16, 100, 0x663F},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.mode});
    TPpmParams params{};
    ASSERT_TRUE(PpmParamsForMode(c.mode, params));
    EXPECT_EQ(params.Order, c.order);
    EXPECT_EQ(params.MemoryMiB, c.memory);
    EXPECT_EQ(PpmInformationWord(params), c.word);
    TPpmParams back{};
    ASSERT_TRUE(PpmParamsFromInformationWord(c.word, back));
    EXPECT_EQ(back.Order, c.order);
    EXPECT_EQ(back.MemoryMiB, c.memory);
  }
  TPpmParams params{};
  EXPECT_FALSE(PpmParamsForMode(0, params));
  EXPECT_FALSE(PpmParamsForMode(10, params));
}

TEST(PpmFramingTest, TheInformationWordMustCarryTheVariant) {
  TPpmParams params{};
  for (const std::uint32_t word : {0x5FFFu, 0x7000u, 0x16011u, 0u, 0xFFFF6011u})
    EXPECT_FALSE(PpmParamsFromInformationWord(word, params)) << std::hex << word;
  ASSERT_TRUE(PpmParamsFromInformationWord(0x6FFF, params));
  EXPECT_EQ(params.Order, 16);
  EXPECT_EQ(params.MemoryMiB, 256);
}

TEST(PpmFramingTest, OnlyPlausibleOutputSizesAreAllocated) {
  struct TCase {
    std::int64_t input, expected;
    bool allowed;
  };
  const TCase cases[] = {
      {6, 1, true},
      {6, 1 << 20, true},
      {6, (1 << 20) + 1, false},
      {100, 100 * 65536 - 1, true},
      {100, 100 * 65536, false},
      {40000, 0x7FFFFFFF, true},
      {40000, std::int64_t{0x80000000}, false},
      {6, 0, false},
      {6, -1, false},
      {0, 10, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PpmOutputSizeAllowed(c.input, c.expected), c.allowed) << c.input << " -> " << c.expected;
}

TEST(PpmFramingTest, DecompressionRefusesWhatTheCodecCannotBeGiven) {
  THalvexHeapBytes out;
  const std::uint8_t wrongVariant[] = {0x11, 0x70, 0, 0, 1, 2, 3};
  const std::uint8_t tooShort[] = {0x11, 0x60, 0};
  const std::uint8_t framed[] = {0x11, 0x60, 0, 0, 1, 2, 3};
  std::int64_t size = 100;
  EXPECT_FALSE(DecompressBuffer(caPpm, wrongVariant, sizeof wrongVariant, size, out));
  size = 100;
  EXPECT_FALSE(DecompressBuffer(caPpm, tooShort, sizeof tooShort, size, out));
  size = 0;  // PPM needs the exact size
  EXPECT_FALSE(DecompressBuffer(caPpm, framed, sizeof framed, size, out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace halvex
