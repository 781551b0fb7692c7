// The PPM codec behind the selector and inside compressed BLOB streams: every
// mode over the kinds of data a catalogue holds.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/compressed_blob_stream.h"
#include "engine/storage/compression.h"
#include "engine/storage/memory_stream.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/random.h"

namespace halvex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Sentences drawn at random from a small set: prose with real repetition.
Bytes Prose(std::size_t size, const std::vector<std::string>& sentences, std::uint32_t seed) {
  platform::TRandomGenerator random(seed);
  Bytes out;
  while (out.size() < size) {
    const std::string& s = sentences[static_cast<std::size_t>(random.Next(static_cast<std::int32_t>(sentences.size())))];
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(random.Next(5) == 0 ? '\n' : ' ');
  }
  out.resize(size);
  return out;
}

Bytes English(std::size_t size) {
  return Prose(size,
               {"The old bridge was painted in the summer of the flood.", "She kept every picture in a green box,",
                "and wrote the names of the places on the back.", "Nobody remembered who had taken the last one;",
                "it showed the lake at dawn, with two boats and a dog.", "Later, the photographs were sorted by year."},
               11);
}

// Hungarian text in windows-1250: á é í ó ö ő ú ü ű and their capitals.
Bytes Hungarian(std::size_t size) {
  return Prose(size,
               {"\xC1rv\xED""zt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p.", "A ny\xE1ri k\xE9pek a Balaton partj\xE1n k\xE9sz\xFCltek.",
                "\xD6reg h\xE1z, sz\xE9p kert, cs\xF6nd\xE9s utca.", "Az \xFAj albumban minden f\xE9nyk\xE9p mell\xE9 le\xEDr\xE1s ker\xFCl.",
                "\xDAt a hegyen \xE1t, \xF5szi es\xF5""ben."},
               23);
}

Bytes Binary(std::size_t size) {
  Bytes out;
  for (std::uint32_t i = 0; out.size() < size; ++i)
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>((i * 2654435761u >> 20 | i << 3) >> (8 * b)));
  out.resize(size);
  return out;
}

struct TData {
  const char* name;
  Bytes bytes;
};

const std::vector<TData>& DataSets() {
  static const std::vector<TData> sets = {
      {"one byte", Bytes{'x'}},
      {"short", Bytes{'M', 'i', 'r', 'e', 'l', 'k', 'a'}},
      {"repetitive", Bytes(300000, 'A')},
      {"english", English(200000)},
      {"hungarian", Hungarian(150000)},
      {"binary", Binary(120000)},
      {"random", testing::PatternBytes(100000, 5, true)},
  };
  return sets;
}

class PpmSelectorTest : public ::testing::TestWithParam<int> {};

TEST_P(PpmSelectorTest, RoundTripsEveryKindOfData) {
  const auto mode = static_cast<std::uint8_t>(GetParam());
  TPpmParams params{};
  ASSERT_TRUE(PpmParamsForMode(mode, params));
  for (const TData& data : DataSets()) {
    SCOPED_TRACE(data.name);
    THalvexHeapBytes packed;
    ASSERT_TRUE(CompressBuffer(caPpm, mode, data.bytes.data(), static_cast<std::int64_t>(data.bytes.size()), packed));
    ASSERT_GE(packed.size(), 4u);
    // The information word leads, little-endian.
    const std::uint32_t word = packed[0] | packed[1] << 8 | packed[2] << 16 | static_cast<std::uint32_t>(packed[3]) << 24;
    EXPECT_EQ(word, static_cast<std::uint32_t>(((params.MemoryMiB - 1) << 4) | (params.Order - 1) | 0x6000));
    EXPECT_LE(packed.size(), data.bytes.size() + data.bytes.size() / 20 + 50);
    std::int64_t size = static_cast<std::int64_t>(data.bytes.size());
    THalvexHeapBytes unpacked;
    ASSERT_TRUE(DecompressBuffer(caPpm, packed.data(), static_cast<std::int64_t>(packed.size()), size, unpacked));
    ASSERT_EQ(size, static_cast<std::int64_t>(data.bytes.size()));
    EXPECT_TRUE(std::equal(unpacked.begin(), unpacked.end(), data.bytes.begin(), data.bytes.end()));
  }
}

TEST_P(PpmSelectorTest, RoundTripsThroughACompressedBlobStreamOfSeveralBlocks) {
  const auto mode = static_cast<std::uint8_t>(GetParam());
  Bytes value = Hungarian(90000);
  const Bytes english = English(90000);
  value.insert(value.end(), english.begin(), english.end());
  THalvexMemoryStream store;
  THalvexBlobDescriptor descriptor;
  descriptor.BlockSize = 40000;
  descriptor.CompressionAlgorithm = caPpm;
  descriptor.CompressionMode = mode;
  {
    THalvexCompressedBLOBStream blob(store, descriptor, true);
    // Uneven appends: the partial last block is recompressed each time.
    std::size_t written = 0;
    for (std::size_t chunk : {1u, 39999u, 12345u, 70000u}) {
      ASSERT_EQ(blob.Write(value.data() + written, static_cast<std::int64_t>(chunk)), static_cast<std::int64_t>(chunk));
      written += chunk;
    }
    ASSERT_EQ(blob.Write(value.data() + written, static_cast<std::int64_t>(value.size() - written)),
              static_cast<std::int64_t>(value.size() - written));
    descriptor = blob.Descriptor();
    EXPECT_EQ(descriptor.BlockCount, 5);
    EXPECT_LT(blob.CompressedSize(), static_cast<std::int64_t>(value.size()) / 2) << "prose compresses well";
  }
  THalvexCompressedBLOBStream blob(store, descriptor, false);
  EXPECT_EQ(testing::ReadAll(blob), value);
  // A read across a block boundary.
  Bytes part(100);
  blob.SetPosition(79950);
  ASSERT_EQ(blob.Read(part.data(), 100), 100);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), value.begin() + 79950));
}

INSTANTIATE_TEST_SUITE_P(Modes, PpmSelectorTest, ::testing::Range(1, 10),
                         [](const auto& info) { return "Mode" + std::to_string(info.param); });

TEST(PpmSelectorTest, SeveralMegabytesRoundTrip) {
  Bytes big = English(3 << 20);
  const Bytes hu = Hungarian(1 << 20);
  big.insert(big.end(), hu.begin(), hu.end());
  for (std::uint8_t mode : {1, 9}) {
    THalvexHeapBytes packed;
    ASSERT_TRUE(CompressBuffer(caPpm, mode, big.data(), static_cast<std::int64_t>(big.size()), packed));
    std::int64_t size = static_cast<std::int64_t>(big.size());
    THalvexHeapBytes unpacked;
    ASSERT_TRUE(DecompressBuffer(caPpm, packed.data(), static_cast<std::int64_t>(packed.size()), size, unpacked));
    EXPECT_TRUE(std::equal(unpacked.begin(), unpacked.end(), big.begin(), big.end())) << int{mode};
  }
}

}  // namespace
}  // namespace halvex
