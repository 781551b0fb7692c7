// The same reading, writing, seeking and sizing cases over every engine
// stream that behaves as an ordinary random-access stream: memory, file,
// temporary file, temporary (in memory and moved to its file) and a raw BLOB
// value through the local BLOB stream.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/compressed_blob_stream.h"
#include "engine/storage/file_stream.h"
#include "engine/storage/local_blob_stream.h"
#include "engine/storage/memory_stream.h"
#include "engine/storage/temp_file_stream.h"
#include "engine/storage/temporary_stream.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "engine/storage/tests/support/wipe_switch.h"
#include "platform/rtl/random.h"

namespace halvex {
namespace {

using platform::TSeekOrigin;
using testing::PatternBytes;
using testing::ReadAll;
using testing::TScratchDirectory;

struct TStreamKind {
  const char* name;
  std::function<std::unique_ptr<THalvexStream>(const TScratchDirectory&)> make;
};

std::unique_ptr<THalvexStream> MakeRawBlob() {
  auto underlying = std::make_unique<THalvexMemoryStream>();
  THalvexBlobDescriptor descriptor;
  descriptor.StartPosition = 0;
  auto blob = std::make_unique<THalvexCompressedBLOBStream>(*underlying, descriptor, true);
  return std::make_unique<THalvexLocalBLOBStream>(std::move(blob), std::move(underlying), 0, TRecordID{},
                                                  THalvexBlobOpenMode::bomReadWrite);
}

const TStreamKind kKinds[] = {
    {"Memory", [](const TScratchDirectory&) { return std::make_unique<THalvexMemoryStream>(); }},
    {"File",
     [](const TScratchDirectory& dir) {
       return std::make_unique<THalvexFileStream>(dir.File("contract.bin"), fmCreate);
     }},
    {"TempFile", [](const TScratchDirectory&) { return std::make_unique<THalvexTempFileStream>(); }},
    {"TemporaryInMemory", [](const TScratchDirectory&) { return std::make_unique<THalvexTemporaryStream>(); }},
    {"TemporaryOnFile",
     [](const TScratchDirectory&) {
       auto stream = std::make_unique<THalvexTemporaryStream>();
       stream->SetSize(THalvexTemporaryStream::kThreshold + 1);
       stream->SetSize(std::int64_t{0});
       return stream;
     }},
    {"RawBlob", [](const TScratchDirectory&) { return MakeRawBlob(); }},
};

class StreamContractTest : public ::testing::TestWithParam<TStreamKind> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(directory_.Path().empty());
    stream_ = GetParam().make(directory_);
  }

  void Put(std::int64_t position, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(stream_->Seek(position, TSeekOrigin::soBeginning), position);
    ASSERT_EQ(stream_->Write(bytes.data(), static_cast<std::int64_t>(bytes.size())),
              static_cast<std::int64_t>(bytes.size()));
  }

  std::vector<std::uint8_t> Get(std::int64_t position, std::int64_t count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    stream_->Seek(position, TSeekOrigin::soBeginning);
    bytes.resize(static_cast<std::size_t>(stream_->Read(bytes.data(), count)));
    return bytes;
  }

  TScratchDirectory directory_;
  std::unique_ptr<THalvexStream> stream_;
};

TEST_P(StreamContractTest, WritesReadBackAcrossBlockBoundaries) {
  const auto data = PatternBytes(100000, 11, true);
  Put(0, data);
  EXPECT_EQ(stream_->Size(), 100000);
  EXPECT_EQ(stream_->Position(), 100000);
  struct TRange {
    std::int64_t position, count;
  };
  for (const TRange r : {TRange{0, 100000}, TRange{32767, 2}, TRange{65530, 40000}, TRange{99999, 1}, TRange{1, 0}}) {
    SCOPED_TRACE(r.position);
    const std::int64_t end = std::min<std::int64_t>(r.position + r.count, 100000);
    EXPECT_EQ(Get(r.position, r.count), std::vector<std::uint8_t>(data.begin() + r.position, data.begin() + end));
    EXPECT_EQ(stream_->Position(), end);
  }
}

TEST_P(StreamContractTest, ReadsNothingAtOrPastTheEndOrForEmptyCounts) {
  Put(0, PatternBytes(10, 12));
  std::uint8_t byte = 0;
  for (const std::int64_t position : {10, 11, 1000}) {
    stream_->Seek(position, TSeekOrigin::soBeginning);
    EXPECT_EQ(stream_->Read(&byte, 1), 0) << position;
    EXPECT_EQ(stream_->Position(), position);
  }
  stream_->Seek(std::int64_t{0}, TSeekOrigin::soBeginning);
  EXPECT_EQ(stream_->Read(&byte, 0), 0);
  EXPECT_EQ(stream_->Read(&byte, -5), 0);
  EXPECT_EQ(stream_->Write(&byte, 0), 0);
  EXPECT_EQ(stream_->Position(), 0);
  EXPECT_EQ(stream_->Size(), 10);
}

TEST_P(StreamContractTest, SeekOrigins) {
  Put(0, PatternBytes(100, 13));
  EXPECT_EQ(stream_->Seek(std::int64_t{30}, TSeekOrigin::soBeginning), 30);
  EXPECT_EQ(stream_->Seek(std::int64_t{-10}, TSeekOrigin::soCurrent), 20);
  EXPECT_EQ(stream_->Seek(std::int64_t{-1}, TSeekOrigin::soEnd), 99);
  EXPECT_EQ(stream_->Seek(std::int64_t{50}, TSeekOrigin::soEnd), 150);
  // A target before the start is refused; the position stays.
  EXPECT_EQ(stream_->Seek(std::int64_t{-151}, TSeekOrigin::soCurrent), 150);
  EXPECT_EQ(stream_->Seek(std::int64_t{-101}, TSeekOrigin::soEnd), 150);
  EXPECT_EQ(stream_->Position(), 150);
}

TEST_P(StreamContractTest, WritingPastTheEndLeavesZerosBetween) {
  const auto head = PatternBytes(10, 14);
  const auto tail = PatternBytes(5, 15);
  Put(0, head);
  Put(40000, tail);
  EXPECT_EQ(stream_->Size(), 40005);
  std::vector<std::uint8_t> expected(40005, 0);
  std::copy(head.begin(), head.end(), expected.begin());
  std::copy(tail.begin(), tail.end(), expected.begin() + 40000);
  EXPECT_EQ(ReadAll(*stream_), expected);
}

TEST_P(StreamContractTest, OverwritingKeepsTheRest) {
  auto data = PatternBytes(70000, 16);
  Put(0, data);
  const auto patch = PatternBytes(3000, 17, true);
  Put(31000, patch);
  std::copy(patch.begin(), patch.end(), data.begin() + 31000);
  EXPECT_EQ(stream_->Size(), 70000);
  EXPECT_EQ(ReadAll(*stream_), data);
}

TEST_P(StreamContractTest, SetSizeMovesAPositionBeyondTheEndBackAndGrowsWithZeros) {
  const auto data = PatternBytes(50000, 18);
  Put(0, data);
  stream_->SetSize(std::int64_t{20000});
  EXPECT_EQ(stream_->Size(), 20000);
  EXPECT_EQ(stream_->Position(), 20000);
  stream_->Seek(std::int64_t{100}, TSeekOrigin::soBeginning);
  stream_->SetSize(std::int64_t{60000});
  EXPECT_EQ(stream_->Position(), 100);
  std::vector<std::uint8_t> expected(60000, 0);
  std::copy(data.begin(), data.begin() + 20000, expected.begin());
  EXPECT_EQ(ReadAll(*stream_), expected);
  stream_->SetSize(std::int64_t{0});
  EXPECT_EQ(stream_->Size(), 0);
  EXPECT_EQ(stream_->Position(), 0);
}

TEST_P(StreamContractTest, CopiesWholeStreamsBothWays) {
  const auto data = PatternBytes(250000, 19, true);
  platform::TBytesStream source(data);
  stream_->LoadFromStream(source);
  EXPECT_EQ(stream_->Size(), 250000);
  platform::TBytesStream copy;
  stream_->SaveToStream(copy);
  EXPECT_EQ(copy.Bytes(), data);
}

// Random operations checked against a plain byte vector, with fixed seeds;
// the last seed runs with the wipe switch on.
TEST_P(StreamContractTest, RandomOperationsMatchAModel) {
  for (const std::uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    testing::TWipeSwitch wipe(seed == 3);
    stream_->SetSize(std::int64_t{0});
    std::vector<std::uint8_t> model;
    platform::TRandomGenerator random(seed);
    for (int step = 0; step < 150; ++step) {
      const auto size = static_cast<std::int32_t>(model.size());
      switch (random.Next(4)) {
        case 0:
        case 1: {
          const std::int64_t at = random.Next(size + 40000);
          const auto bytes = PatternBytes(static_cast<std::size_t>(1 + random.Next(70000)), seed * 1000 + step, true);
          Put(at, bytes);
          if (model.size() < static_cast<std::size_t>(at) + bytes.size())
            model.resize(static_cast<std::size_t>(at) + bytes.size(), 0);
          std::copy(bytes.begin(), bytes.end(), model.begin() + at);
          break;
        }
        case 2: {
          const std::int64_t at = random.Next(size + 10);
          const std::int64_t count = random.Next(80000);
          const std::int64_t end = std::min<std::int64_t>(at + count, size);
          const auto expected = at < end ? std::vector<std::uint8_t>(model.begin() + at, model.begin() + end)
                                         : std::vector<std::uint8_t>{};
          ASSERT_EQ(Get(at, count), expected) << "step " << step;
          break;
        }
        default: {
          const std::int64_t newSize = random.Next(size + 50000);
          stream_->SetSize(newSize);
          model.resize(static_cast<std::size_t>(newSize), 0);
          break;
        }
      }
      ASSERT_EQ(stream_->Size(), static_cast<std::int64_t>(model.size())) << "step " << step;
    }
    EXPECT_EQ(ReadAll(*stream_), model);
  }
}

INSTANTIATE_TEST_SUITE_P(AllStreams, StreamContractTest, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<TStreamKind>& info) { return info.param.name; });

}  // namespace
}  // namespace halvex
