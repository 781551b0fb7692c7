// The local BLOB stream: read-only refusals, pass-through, the modified mark
// and ownership of the streams beneath.

#include "engine/storage/local_blob_stream.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/storage/compression.h"
#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/stream_doubles.h"

namespace halvex {
namespace {

using testing::ExpectHalvexError;

// A local BLOB stream over a ZLIB value "0123456789" on a watched stream.
struct TLocalBlob {
  bool underlyingDestroyed = false;
  std::unique_ptr<THalvexLocalBLOBStream> stream;

  explicit TLocalBlob(THalvexBlobOpenMode mode) {
    auto underlying = std::make_unique<testing::TWatchedStream>(underlyingDestroyed);
    THalvexBlobDescriptor descriptor;
    descriptor.CompressionAlgorithm = caZlib;
    descriptor.CompressionMode = 6;
    descriptor.BlockSize = 4;
    {
      THalvexCompressedBLOBStream writer(*underlying, descriptor, true);
      writer.Write("0123456789", 10);
      descriptor = writer.Descriptor();
    }
    auto blob = std::make_unique<THalvexCompressedBLOBStream>(*underlying, descriptor, false);
    stream =
        std::make_unique<THalvexLocalBLOBStream>(std::move(blob), std::move(underlying), 3, TRecordID{12, 0}, mode);
  }
};

TEST(LocalBLOBStreamTest, ReadOnlyStreamsRefuseChangesButRead) {
  TLocalBlob blob(THalvexBlobOpenMode::bomRead);
  THalvexLocalBLOBStream& stream = *blob.stream;
  EXPECT_TRUE(stream.ReadOnly());
  ExpectHalvexError(10115, "Cannot write to read only stream", [&] { stream.Write("x", 1); });
  ExpectHalvexError(10115, "Cannot write to read only stream", [&] { stream.Write("x", 0); });
  ExpectHalvexError(10116, "Cannot write to read only stream", [&] { stream.SetSize(std::int64_t{0}); });
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_FALSE(stream.Modified());
  const auto bytes = testing::ReadAll(stream);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
  EXPECT_EQ(stream.Seek(std::int64_t{-2}, platform::TSeekOrigin::soEnd), 8);
  EXPECT_EQ(stream.BlobStream().CurrentBlock(), 2);
}

TEST(LocalBLOBStreamTest, WritableModesPassChangesThroughAndMarkTheValue) {
  for (const auto mode : {THalvexBlobOpenMode::bomWrite, THalvexBlobOpenMode::bomReadWrite}) {
    TLocalBlob blob(mode);
    THalvexLocalBLOBStream& stream = *blob.stream;
    EXPECT_EQ(stream.FieldNo(), 3);
    EXPECT_EQ(stream.RecordID(), (TRecordID{12, 0}));
    stream.Seek(std::int64_t{0}, platform::TSeekOrigin::soEnd);
    EXPECT_FALSE(stream.Modified());
    EXPECT_EQ(stream.Write("ab", 2), 2);
    EXPECT_TRUE(stream.Modified());
    stream.SetSize(std::int64_t{11});
    const auto bytes = testing::ReadAll(stream);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789a");
    EXPECT_EQ(stream.BlobStream().BlockCount(), 3);
  }
}

TEST(LocalBLOBStreamTest, TheStreamBeneathGoesWithItUnlessTakenBack) {
  {
    TLocalBlob blob(THalvexBlobOpenMode::bomRead);
    blob.stream.reset();
    EXPECT_TRUE(blob.underlyingDestroyed);
  }
  TLocalBlob blob(THalvexBlobOpenMode::bomRead);
  std::unique_ptr<platform::TStream> kept = blob.stream->ReleaseUnderlyingStream();
  EXPECT_EQ(blob.stream->UnderlyingStream(), nullptr);
  blob.stream.reset();
  EXPECT_FALSE(blob.underlyingDestroyed);
  EXPECT_GT(kept->Size(), 20);
  kept.reset();
  EXPECT_TRUE(blob.underlyingDestroyed);
}

}  // namespace
}  // namespace halvex
