// The compressed BLOB stream: the stored block form pinned against hand-built
// bytes, block layout, reading single blocks, corruption, append, size
// changes, every opening and writing error, and round trips.

#include "engine/storage/compressed_blob_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/blob_block_header.h"
#include "engine/storage/compression.h"
#include "engine/storage/crc32.h"
#include "engine/storage/memory_manager.h"
#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace halvex {
namespace {

using platform::TBytesStream;
using platform::TSeekOrigin;
using testing::ExpectHalvexError;
using testing::PatternBytes;
using testing::TBudgetStream;
using Bytes = std::vector<std::uint8_t>;

THalvexBlobDescriptor Descriptor(std::uint8_t algorithm, std::uint8_t mode, std::int32_t blockSize,
                                 std::int64_t start = 0) {
  THalvexBlobDescriptor d;
  d.CompressionAlgorithm = algorithm;
  d.CompressionMode = mode;
  d.BlockSize = blockSize;
  d.StartPosition = start;
  return d;
}

void Write(THalvexCompressedBLOBStream& stream, const Bytes& bytes) {
  ASSERT_EQ(stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size())),
            static_cast<std::int64_t>(bytes.size()));
}

Bytes ReadRange(THalvexCompressedBLOBStream& stream, std::int64_t position, std::int64_t count) {
  Bytes bytes(static_cast<std::size_t>(count));
  stream.Seek(position, TSeekOrigin::soBeginning);
  bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), count)));
  return bytes;
}

std::vector<std::int32_t> BlockSizes(const THalvexCompressedBLOBStream& stream) {
  std::vector<std::int32_t> sizes;
  for (std::int64_t i = 0; i < stream.BlockHeaders().Count(); ++i)
    sizes.push_back(stream.BlockHeaders().Header(i).UncompressedSize);
  return sizes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + from, bytes.begin() + to);
}

void PutHeader(Bytes& bytes, std::int64_t position, const TBlobBlockHeader& header) {
  StoreBlobBlockHeader(bytes.data() + position, header);
}

TBlobBlockHeader GetHeader(const Bytes& bytes, std::int64_t position) {
  return LoadBlobBlockHeader(bytes.data() + position);
}

// "Hello, Halvex!" as one ZLIB block behind three foreign bytes: the header,
// then a zlib stream holding one stored deflate block.
const Bytes kHelloText = {'H', 'e', 'l', 'l', 'o', ',', ' ', 'H', 'a', 'l', 'v', 'e', 'x', '!'};
// clang-format off
const Bytes kHelloStoredForm = {
    0xEE, 0xEE, 0xEE,                                // not part of the value
    0x19, 0x00, 0x00, 0x00,                          // CompressedSize 25
    0x0E, 0x00, 0x00, 0x00,                          // UncompressedSize 14
    0x66, 0x81, 0xBC, 0xE8,                          // Crc32 E8BC8166
    0x2D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // NextOffset 45
    0x78, 0x01,                                      // zlib header, fastest level
    0x01, 0x0E, 0x00, 0xF1, 0xFF,                    // final stored block of 14 bytes
    'H', 'e', 'l', 'l', 'o', ',', ' ', 'H', 'a', 'l', 'v', 'e', 'x', '!',
    0x24, 0x27, 0x04, 0xCA,                          // Adler-32
};
// clang-format on

TEST(CompressedBLOBStreamFormatTest, ReadsTheHandBuiltStoredForm) {
  TBytesStream underlying(kHelloStoredForm);
  THalvexBlobDescriptor d = Descriptor(caZlib, 0, 102400, 3);
  d.BlockCount = 1;
  THalvexCompressedBLOBStream stream(underlying, d, false);
  EXPECT_EQ(stream.Size(), 14);
  EXPECT_EQ(stream.BlockCount(), 1);
  EXPECT_EQ(stream.CompressedSize(), 45);
  EXPECT_EQ(ReadRange(stream, 0, 100), kHelloText);
  EXPECT_EQ(ReadRange(stream, 7, 3), Slice(kHelloText, 7, 10));
}

TEST(CompressedBLOBStreamFormatTest, WritesExactlyTheHandBuiltStoredForm) {
  TBytesStream underlying(Bytes{0xEE, 0xEE, 0xEE});
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 0, 102400, 3), true);
  Write(stream, kHelloText);
  EXPECT_EQ(underlying.Bytes(), kHelloStoredForm);
  const THalvexBlobDescriptor d = stream.Descriptor();
  EXPECT_EQ(d.BlockCount, 1);
  EXPECT_EQ(d.UncompressedSize, 14);
  EXPECT_EQ(d.StartPosition, 3);
}

// A 250000-byte ZLIB value in blocks of 102400.
class ThreeBlockValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = PatternBytes(250000, 40);
    THalvexCompressedBLOBStream stream(underlying_, Descriptor(caZlib, 6, 102400), true);
    Write(stream, data_);
    descriptor_ = stream.Descriptor();
    for (std::int64_t i = 0; i < stream.BlockCount(); ++i) {
      positions_.push_back(stream.BlockHeaders().Position(i));
      headers_.push_back(stream.BlockHeaders().Header(i));
    }
  }

  std::unique_ptr<THalvexCompressedBLOBStream> Reopen() {
    return std::make_unique<THalvexCompressedBLOBStream>(underlying_, descriptor_, false);
  }

  // Flips a byte in the middle of a block's compressed data.
  void DamageData(int block) {
    underlying_.Bytes()[static_cast<std::size_t>(positions_[block] + 20 + headers_[block].CompressedSize / 2)] ^= 0x5A;
  }

  Bytes data_;
  TBytesStream underlying_;
  THalvexBlobDescriptor descriptor_;
  std::vector<std::int64_t> positions_;
  std::vector<TBlobBlockHeader> headers_;
};

TEST_F(ThreeBlockValueTest, IsStoredAsThreeChainedBlocks) {
  ASSERT_EQ(headers_.size(), 3u);
  EXPECT_EQ(descriptor_.BlockCount, 3);
  EXPECT_EQ(descriptor_.UncompressedSize, 250000);
  const std::int32_t sizes[] = {102400, 102400, 45200};
  std::int64_t expectedPosition = 0;
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TBlobBlockHeader& h = headers_[i];
    EXPECT_EQ(positions_[i], expectedPosition);
    EXPECT_EQ(GetHeader(underlying_.Bytes(), positions_[i]), h);
    EXPECT_EQ(h.UncompressedSize, sizes[i]);
    EXPECT_EQ(h.NextOffset, 20 + h.CompressedSize);
    EXPECT_EQ(h.Crc32, Crc32(data_.data() + i * 102400, static_cast<std::size_t>(sizes[i])));
    expectedPosition += h.NextOffset;
  }
  EXPECT_EQ(underlying_.Size(), expectedPosition);
  auto stream = Reopen();
  EXPECT_EQ(stream->CompressedSize(), expectedPosition);
  EXPECT_GT(stream->CompressionRatio(), 0);
  EXPECT_EQ(testing::ReadAll(*stream), data_);
}

TEST_F(ThreeBlockValueTest, ReadingALateByteDecompressesOnlyItsBlock) {
  DamageData(0);
  DamageData(1);
  auto stream = Reopen();
  EXPECT_EQ(stream->Seek(std::int64_t{204800}, TSeekOrigin::soBeginning), 204800);
  EXPECT_EQ(stream->CurrentBlock(), 2);
  std::uint8_t byte = 0;
  ASSERT_EQ(stream->Read(&byte, 1), 1);
  EXPECT_EQ(byte, data_[204800]);
  EXPECT_EQ(ReadRange(*stream, 204800, 45200), Slice(data_, 204800, 250000));
}

class BlockCorruptionTest;

struct TCorruption {
  const char* name;
  std::function<void(BlockCorruptionTest&)> damage;
  int block;
  std::int32_t code;
  std::function<std::string(const BlockCorruptionTest&)> message;
  std::vector<int> stillReadable;
};

class BlockCorruptionTest : public ThreeBlockValueTest, public ::testing::WithParamInterface<TCorruption> {
 public:
  using ThreeBlockValueTest::DamageData;
  Bytes& Stored() { return underlying_.Bytes(); }
  const std::vector<std::int64_t>& Positions() const { return positions_; }
  const std::vector<TBlobBlockHeader>& Headers() const { return headers_; }
  // Rewrites the header of a block with one field changed.
  void ChangeHeader(int block, const std::function<void(TBlobBlockHeader&)>& change) {
    TBlobBlockHeader header = headers_[block];
    change(header);
    PutHeader(underlying_.Bytes(), positions_[block], header);
  }
};

TEST_P(BlockCorruptionTest, FailsThatBlockOnly) {
  const TCorruption& c = GetParam();
  c.damage(*this);
  auto stream = Reopen();
  const std::int64_t start = c.block * 102400;
  ExpectHalvexError(c.code, c.message(*this), [&] { ReadRange(*stream, start, 10); });
  for (const int block : c.stillReadable) {
    SCOPED_TRACE(block);
    const std::int64_t at = block * 102400;
    EXPECT_EQ(ReadRange(*stream, at, 1000),
              Slice(data_, static_cast<std::size_t>(at), static_cast<std::size_t>(at + 1000)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, BlockCorruptionTest,
    ::testing::Values(
        // zlib's own check sees damaged data before the CRC does.
        TCorruption{"CompressedData",
                    [](BlockCorruptionTest& t) { t.DamageData(1); },
                    1,
                    10087,
                    [](const BlockCorruptionTest& t) {
                      return platform::Format("Decompress buffer failed. CompAlg = 1, InSize = %d, OutSize = 102400",
                                              {t.Headers()[1].CompressedSize});
                    },
                    {0, 2}},
        TCorruption{
            "HeaderChecksum",
            [](BlockCorruptionTest& t) { t.ChangeHeader(1, [](TBlobBlockHeader& h) { h.Crc32 ^= 1; }); },
            1,
            10089,
            [](const BlockCorruptionTest& t) {
              const std::uint32_t crc = t.Headers()[1].Crc32;
              return platform::Format("Decompress buffer failed. CheckSum = %d, Header.Crc32 = %d", {crc, crc ^ 1u});
            },
            {0, 2}},
        TCorruption{
            "HeaderSizeAboveTheData",
            [](BlockCorruptionTest& t) { t.ChangeHeader(2, [](TBlobBlockHeader& h) { ++h.UncompressedSize; }); },
            2,
            10088,
            [](const BlockCorruptionTest&) {
              return std::string("Decompress buffer failed. UncompSize = 45200, Header.UncompSize = 45201");
            },
            {0, 1}},
        // Decompression stops at the header's size instead of inflating on.
        TCorruption{
            "HeaderSizeBelowTheData",
            [](BlockCorruptionTest& t) { t.ChangeHeader(2, [](TBlobBlockHeader& h) { --h.UncompressedSize; }); },
            2,
            10087,
            [](const BlockCorruptionTest& t) {
              return platform::Format("Decompress buffer failed. CompAlg = 1, InSize = %d, OutSize = 45199",
                                      {t.Headers()[2].CompressedSize});
            },
            {0, 1}},
        TCorruption{
            "MiddleBlockShorterThanTheBlockSize",
            [](BlockCorruptionTest& t) { t.ChangeHeader(1, [](TBlobBlockHeader& h) { h.UncompressedSize = 102399; }); },
            1,
            10088,
            [](const BlockCorruptionTest&) {
              return std::string("Decompress buffer failed. UncompSize = 102400, Header.UncompSize = 102399");
            },
            {0}}),
    [](const ::testing::TestParamInfo<TCorruption>& info) { return info.param.name; });

TEST(CompressedBLOBStreamTest, TwoSmallWritesShareOneBlock) {
  TBytesStream underlying;
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 102400), true);
  const Bytes first = PatternBytes(10, 41), second = PatternBytes(10, 42);
  Write(stream, first);
  Write(stream, second);
  EXPECT_EQ(BlockSizes(stream), std::vector<std::int32_t>{20});
  EXPECT_EQ(underlying.Size(), stream.CompressedSize());
  Bytes both = first;
  both.insert(both.end(), second.begin(), second.end());
  THalvexCompressedBLOBStream reopened(underlying, stream.Descriptor(), false);
  EXPECT_EQ(testing::ReadAll(reopened), both);
}

TEST(CompressedBLOBStreamTest, AppendingFillsThePartialLastBlockFirst) {
  TBytesStream underlying;
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caBzip, 9, 100), true);
  const Bytes a = PatternBytes(150, 43), b = PatternBytes(120, 44);
  Write(stream, a);
  Write(stream, b);
  EXPECT_EQ(BlockSizes(stream), (std::vector<std::int32_t>{100, 100, 70}));
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  EXPECT_EQ(testing::ReadAll(stream), all);
  EXPECT_EQ(stream.Position(), 270);
}

TEST(CompressedBLOBStreamTest, WritesInsideTheDataWriteNothingAndWritesBeyondFillWithZeros) {
  TBytesStream underlying;
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 1, 8), true);
  const Bytes data = PatternBytes(10, 45);
  Write(stream, data);
  const Bytes stored = underlying.Bytes();
  stream.Seek(std::int64_t{4}, TSeekOrigin::soBeginning);
  EXPECT_EQ(stream.Write("zz", 2), 0);
  EXPECT_EQ(underlying.Bytes(), stored);
  EXPECT_EQ(stream.Position(), 4);

  stream.Seek(std::int64_t{21}, TSeekOrigin::soBeginning);
  EXPECT_EQ(stream.Write("x", 1), 1);
  Bytes expected = data;
  expected.resize(21, 0);
  expected.push_back('x');
  EXPECT_EQ(stream.Size(), 22);
  EXPECT_EQ(stream.Position(), 22);
  EXPECT_EQ(BlockSizes(stream), (std::vector<std::int32_t>{8, 8, 6}));
  EXPECT_EQ(testing::ReadAll(stream), expected);
}

struct TResize {
  std::int64_t initial;
  std::int64_t newSize;
  std::vector<std::int32_t> blocks;
};

TEST(CompressedBLOBStreamTest, SetSizeKeepsWholeBlocksAndRewritesTheCutOne) {
  const TResize cases[] = {
      {10, 0, {}},           {10, 5, {5}},
      {250, 130, {100, 30}}, {250, 200, {100, 100}},
      {250, 99, {99}},       {10, 250, {100, 100, 50}},
      {100, 100, {100}},     {0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Format("%d -> %d", {c.initial, c.newSize}));
    TBytesStream underlying(Bytes{1, 2, 3, 4});
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100, 4), true);
    const Bytes data = PatternBytes(static_cast<std::size_t>(c.initial), 46);
    if (!data.empty()) Write(stream, data);
    stream.SetSize(c.newSize);
    EXPECT_EQ(stream.Size(), c.newSize);
    EXPECT_EQ(stream.Position(), std::min(c.initial, c.newSize));
    EXPECT_EQ(BlockSizes(stream), c.blocks);
    EXPECT_EQ(underlying.Size(), 4 + stream.CompressedSize());  // nothing stale behind the value
    Bytes expected = data;
    expected.resize(static_cast<std::size_t>(c.newSize), 0);
    THalvexCompressedBLOBStream reopened(underlying, stream.Descriptor(), false);
    EXPECT_EQ(testing::ReadAll(reopened), expected);
    EXPECT_EQ(Slice(underlying.Bytes(), 0, 4), (Bytes{1, 2, 3, 4}));
  }
}

TEST(CompressedBLOBStreamTest, NewStreamsWithoutABlockSizeTakeOneFromTheMode) {
  const std::pair<std::uint8_t, std::int32_t> cases[] = {{0, 102400},  {1, 524288},  {3, 524288},  {4, 1048576},
                                                         {6, 1048576}, {7, 1572864}, {9, 1572864}, {255, 1572864}};
  for (const auto& [mode, size] : cases) {
    EXPECT_EQ(DefaultBlobBlockSize(mode), size);
    TBytesStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, mode, 0), true);
    EXPECT_EQ(stream.Descriptor().BlockSize, size) << int{mode};
  }
}

TEST(CompressedBLOBStreamTest, RawValuesLieInTheUnderlyingStreamFromTheirStart) {
  TBytesStream underlying(Bytes{7, 7, 7, 7, 7});
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caNone, 0, 0, 5), true);
  const Bytes data = PatternBytes(300, 47);
  Write(stream, data);
  Bytes expected{7, 7, 7, 7, 7};
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(underlying.Bytes(), expected);
  EXPECT_EQ(stream.CompressedSize(), 300);
  EXPECT_EQ(stream.CompressionRatio(), 0);
  stream.SetSize(std::int64_t{100});
  EXPECT_EQ(underlying.Size(), 105);

  THalvexBlobDescriptor d = stream.Descriptor();
  EXPECT_EQ(d.UncompressedSize, 100);
  THalvexCompressedBLOBStream reopened(underlying, d, false);
  EXPECT_EQ(ReadRange(reopened, 90, 50), Slice(data, 90, 100));
}

// Builds the stored form of a value by writing it, for the opening tests.
Bytes StoredForm(const Bytes& data, std::int32_t blockSize, THalvexBlobDescriptor& written) {
  TBytesStream underlying;
  THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, blockSize), true);
  Write(stream, data);
  written = stream.Descriptor();
  return underlying.Bytes();
}

TEST(CompressedBLOBStreamOpenTest, AShortStoredFormFailsTheSizeCheckUnlessItIsOff) {
  THalvexBlobDescriptor d;
  const Bytes stored = StoredForm(PatternBytes(200, 48), 100, d);
  TBytesStream underlying(stored);
  d.BlockCount = 3;
  const auto size = static_cast<std::int64_t>(stored.size());
  ExpectHalvexError(10082, platform::Format("Stream size = %d too small. Should be at least = %d", {size, size + 20}),
                    [&] { THalvexCompressedBLOBStream stream(underlying, d, false); });
  THalvexCompressedBLOBStream lenient(underlying, d, false, true);
  EXPECT_EQ(lenient.BlockCount(), 2);
  EXPECT_EQ(lenient.Size(), 200);

  d.BlockCount = std::int64_t{1} << 40;  // the walk ends with the bytes
  THalvexCompressedBLOBStream huge(underlying, d, false, true);
  EXPECT_EQ(huge.BlockCount(), 2);

  TBytesStream rawUnderlying(Bytes(50, 1));
  THalvexBlobDescriptor raw = Descriptor(caNone, 0, 100);
  raw.UncompressedSize = 100;
  ExpectHalvexError(10081, "Stream size = 50 too small. Should be at least = 100",
                    [&] { THalvexCompressedBLOBStream stream(rawUnderlying, raw, false); });
  THalvexCompressedBLOBStream rawLenient(rawUnderlying, raw, false, true);
  EXPECT_EQ(rawLenient.Size(), 100);
  raw.UncompressedSize = -1;
  ExpectHalvexError(10081, "Stream size = 50 too small. Should be at least = -1",
                    [&] { THalvexCompressedBLOBStream stream(rawUnderlying, raw, false, true); });
}

TEST(CompressedBLOBStreamOpenTest, AStartThatCannotBeReachedFails) {
  TBytesStream underlying(Bytes(30, 0));
  underlying.SetPosition(12);
  ExpectHalvexError(10103, "Cannot set stream position to -1. Position = 12, Size = 30",
                    [&] { THalvexCompressedBLOBStream s(underlying, Descriptor(caZlib, 6, 100, -1), true); });
  ExpectHalvexError(10079, "Cannot set stream position to -1. Position = 0, Size = 30",
                    [&] { THalvexCompressedBLOBStream s(underlying, Descriptor(caNone, 0, 100, -1), false); });
}

struct THostileHeader {
  const char* name;
  std::function<void(TBlobBlockHeader&)> change;
  std::int32_t code;
  std::string message;
};

// One block of 10 bytes; its header at 0 in a stream of 20 + CompressedSize bytes.
TEST(CompressedBLOBStreamOpenTest, HeadersThatCannotBeTrustedAreRefusedBeforeAnyAllocation) {
  THalvexBlobDescriptor d;
  const Bytes stored = StoredForm(PatternBytes(10, 49), 102400, d);
  const TBlobBlockHeader original = GetHeader(stored, 0);
  const auto size = static_cast<std::int64_t>(stored.size());
  const THostileHeader cases[] = {
      {"HugeUncompressedSize", [](TBlobBlockHeader& h) { h.UncompressedSize = 0x7FFFFFFF; }, 10088,
       "Decompress buffer failed. UncompSize = 102400, Header.UncompSize = 2147483647"},
      {"ZeroUncompressedSize", [](TBlobBlockHeader& h) { h.UncompressedSize = 0; }, 10088,
       "Decompress buffer failed. UncompSize = 102400, Header.UncompSize = 0"},
      {"NegativeUncompressedSize", [](TBlobBlockHeader& h) { h.UncompressedSize = -5; }, 10088,
       "Decompress buffer failed. UncompSize = 102400, Header.UncompSize = -5"},
      {"NextOffsetDisagrees", [](TBlobBlockHeader& h) { h.NextOffset += 1; }, 10083,
       platform::Format("Cannot set stream position to %d. Position = 20, Size = %d", {size + 1, size})},
      {"NegativeCompressedSize",
       [](TBlobBlockHeader& h) {
         h.CompressedSize = -30;
         h.NextOffset = -10;
       },
       10083, platform::Format("Cannot set stream position to -10. Position = 20, Size = %d", {size})},
      {"NextOffsetHuge", [](TBlobBlockHeader& h) { h.NextOffset = INT64_MAX; }, 10083,
       platform::Format("Cannot set stream position to %d. Position = 20, Size = %d", {INT64_MAX, size})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBlobBlockHeader header = original;
    c.change(header);
    Bytes damaged = stored;
    PutHeader(damaged, 0, header);
    TBytesStream underlying(damaged);
    ExpectHalvexError(c.code, c.message, [&] { THalvexCompressedBLOBStream stream(underlying, d, false, true); });
  }
}

TEST(CompressedBLOBStreamOpenTest, CompressedBytesMissingFromTheStreamFailTheReadWithoutAllocatingThem) {
  THalvexBlobDescriptor d;
  Bytes stored = StoredForm(PatternBytes(10, 50), 102400, d);
  TBlobBlockHeader header = GetHeader(stored, 0);
  header.CompressedSize = 1000000;
  header.NextOffset = 1000020;
  PutHeader(stored, 0, header);
  TBytesStream underlying(stored);
  THalvexCompressedBLOBStream stream(underlying, d, false);
  const auto size = static_cast<std::int64_t>(stored.size());
  const std::int64_t limitBefore = MemoryManager().MemoryLimit();
  MemoryManager().SetMemoryLimit(MemoryManager().AllocatedBytes() + 100000);
  std::uint8_t byte = 0;
  ExpectHalvexError(10086,
                    platform::Format("Cannot read from stream. Position = 20, Stream size = %d, Block size = 1000000, "
                                     "Bytes Read = %d",
                                     {size, size - 20}),
                    [&] { stream.Read(&byte, 1); });
  MemoryManager().SetMemoryLimit(limitBefore);
}

TEST(CompressedBLOBStreamWriteTest, ACompressorThatRefusesFailsTheBlock) {
  struct TCase {
    std::uint8_t algorithm, mode;
  };
  for (const TCase c : {TCase{caZlib, 10}, TCase{caBzip, 0}, TCase{caPpm, 0}, TCase{7, 1}}) {
    TBytesStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(c.algorithm, c.mode, 100), true);
    ExpectHalvexError(10085,
                      platform::Format("Compress buffer failed. CompAlg = %d, CompMode = %d, InSize = 5, OutSize = 0",
                                       {c.algorithm, c.mode}),
                      [&] { stream.Write("12345", 5); });
    EXPECT_EQ(underlying.Size(), 0);
  }
}

// The underlying stream accepts only so many bytes, or ignores SetSize.
class TFixedSizeStream : public TBytesStream {
 public:
  using TBytesStream::TBytesStream;
  void SetSize(std::int64_t) override {}
};

TEST(CompressedBLOBStreamWriteTest, ShortWritesOfTheUnderlyingStreamFailWithTheirSitesCodes) {
  // What one 10-byte block of these bytes compresses to.
  const Bytes data = PatternBytes(10, 51);
  THalvexHeapBytes packed;
  ASSERT_TRUE(CompressBuffer(caZlib, 6, data.data(), 10, packed));
  const auto packedSize = static_cast<std::int64_t>(packed.size());

  {  // appending a new block
    TBudgetStream underlying;
    underlying.writeBudget = 10;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    ExpectHalvexError(10100,
                      "Cannot write to stream. Position = 0, Stream size = 10, Block size = 20, Bytes Write = 10",
                      [&] { stream.Write(data.data(), 10); });
  }
  {
    TBudgetStream underlying;
    underlying.writeBudget = 25;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    ExpectHalvexError(10101,
                      platform::Format("Cannot write to stream. Position = 20, Stream size = 25, Block size = %d, "
                                       "Bytes Write = 5",
                                       {packedSize}),
                      [&] { stream.Write(data.data(), 10); });
  }
  {  // rewriting the partial last block
    TBudgetStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    Write(stream, data);
    underlying.writeBudget = 3;
    ExpectHalvexError(10100,
                      platform::Format("Cannot write to stream. Position = 0, Stream size = %d, Block size = 20, "
                                       "Bytes Write = 3",
                                       {20 + packedSize}),
                      [&] { stream.Write(data.data(), 10); });
  }
  {  // the new last block after a cut
    TBudgetStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    Write(stream, data);
    underlying.writeBudget = 10;
    ExpectHalvexError(10095, "Error writing to stream", [&] { stream.SetSize(std::int64_t{5}); });
  }
  {
    TBudgetStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    Write(stream, data);
    underlying.writeBudget = 21;
    ExpectHalvexError(10096, "Error writing to stream", [&] { stream.SetSize(std::int64_t{5}); });
  }
  {  // an underlying stream that does not shrink
    TFixedSizeStream underlying;
    THalvexCompressedBLOBStream stream(underlying, Descriptor(caZlib, 6, 100), true);
    Write(stream, data);
    ExpectHalvexError(10093, platform::Format("Invalid stream size = %d. Should be = 0", {20 + packedSize}),
                      [&] { stream.SetSize(std::int64_t{0}); });
  }
}

struct TBlobRoundTrip {
  std::uint8_t algorithm;
  std::uint8_t mode;
  std::int32_t blockSize;
  std::size_t size;
  std::int64_t chunk;
};

class CompressedBLOBRoundTripTest : public ::testing::TestWithParam<TBlobRoundTrip> {};

TEST_P(CompressedBLOBRoundTripTest, WrittenInChunksReadsBackAfterReopening) {
  const auto& c = GetParam();
  const Bytes data = PatternBytes(c.size, static_cast<std::uint32_t>(c.size + c.mode), c.size % 2 == 1);
  TBytesStream underlying(Bytes{0xAB});
  THalvexBlobDescriptor written;
  {
    THalvexCompressedBLOBStream stream(underlying, Descriptor(c.algorithm, c.mode, c.blockSize, 1), true);
    for (std::size_t at = 0; at < data.size(); at += static_cast<std::size_t>(c.chunk)) {
      const auto n =
          static_cast<std::int64_t>(std::min<std::size_t>(static_cast<std::size_t>(c.chunk), data.size() - at));
      ASSERT_EQ(stream.Write(data.data() + at, n), n);
    }
    written = stream.Descriptor();
    EXPECT_EQ(written.UncompressedSize, static_cast<std::int64_t>(c.size));
    if (c.algorithm != caNone) {
      EXPECT_EQ(written.BlockCount, (static_cast<std::int64_t>(c.size) + c.blockSize - 1) / c.blockSize);
    }
  }
  THalvexCompressedBLOBStream stream(underlying, written, false);
  Bytes back;
  Bytes piece(static_cast<std::size_t>(c.chunk) + 3);
  for (;;) {
    const std::int64_t n = stream.Read(piece.data(), static_cast<std::int64_t>(piece.size()));
    if (n == 0) break;
    back.insert(back.end(), piece.begin(), piece.begin() + n);
  }
  EXPECT_EQ(back, data);
}

INSTANTIATE_TEST_SUITE_P(
    AlgorithmsModesAndSizes, CompressedBLOBRoundTripTest,
    ::testing::Values(TBlobRoundTrip{caNone, 0, 102400, 100001, 7777}, TBlobRoundTrip{caZlib, 0, 102400, 250000, 7777},
                      TBlobRoundTrip{caZlib, 1, 4096, 50001, 1000}, TBlobRoundTrip{caZlib, 9, 102400, 300000, 102400},
                      TBlobRoundTrip{caZlib, 6, 1, 40, 3}, TBlobRoundTrip{caBzip, 1, 102400, 250001, 65536},
                      TBlobRoundTrip{caBzip, 9, 524288, 600000, 200000}, TBlobRoundTrip{caBzip, 5, 333, 10000, 1}));

}  // namespace
}  // namespace halvex
