// The temporary-file stream (its file, its one-block cache and its errors)
// and the temporary stream that moves from memory to such a file.

#include "engine/storage/temporary_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/storage/temp_file_stream.h"
#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/file_size_limit.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/file.h"

namespace halvex {
namespace {

using platform::TSeekOrigin;
using testing::ExpectHalvexError;
using testing::PatternBytes;
using testing::ReadAll;

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::int64_t SizeOnDisk(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

std::vector<std::uint8_t> BytesOnDisk(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(THalvexStream& stream, const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size())),
            static_cast<std::int64_t>(bytes.size()));
}

TEST(TempFileStreamTest, LivesInTheTemporaryDirectoryUntilDestroyed) {
  std::string name;
  {
    THalvexTempFileStream stream;
    name = stream.FileName();
    const std::string prefix = platform::TempDirectory() + "/ACR";
    EXPECT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
    EXPECT_TRUE(Exists(name));
    EXPECT_EQ(stream.BlockSize(), 32768);
    THalvexTempFileStream other;
    EXPECT_NE(other.FileName(), name);
  }
  EXPECT_FALSE(Exists(name));
}

TEST(TempFileStreamTest, AModifiedBlockIsWrittenBackBeforeAnotherIsLoaded) {
  THalvexTempFileStream stream;
  const auto head = PatternBytes(10, 20);
  Write(stream, head);
  EXPECT_EQ(stream.CachedBlock(), 0);
  EXPECT_EQ(stream.PendingBlock(), 0);
  EXPECT_EQ(SizeOnDisk(stream.FileName()), 0);  // still only in the cache

  stream.Seek(std::int64_t{40000}, TSeekOrigin::soBeginning);
  Write(stream, {7});
  EXPECT_EQ(stream.CachedBlock(), 1);
  EXPECT_EQ(BytesOnDisk(stream.FileName()), head);

  // Reading block 0 again writes block 1 back, with the zeros before it.
  std::vector<std::uint8_t> back(10);
  stream.Seek(std::int64_t{0}, TSeekOrigin::soBeginning);
  EXPECT_EQ(stream.Read(back.data(), 10), 10);
  EXPECT_EQ(back, head);
  EXPECT_EQ(stream.PendingBlock(), -1);
  const auto disk = BytesOnDisk(stream.FileName());
  ASSERT_EQ(disk.size(), 40001u);
  EXPECT_EQ(disk[40000], 7);
  EXPECT_EQ(disk[39999], 0);
}

TEST(TempFileStreamTest, AFileShorterThanTheLogicalSizeFailsTheBlockLoad) {
  THalvexTempFileStream stream;
  Write(stream, PatternBytes(40000, 21));
  stream.SetSize(std::int64_t{40000});  // writes the cache back and forgets it
  ASSERT_EQ(::truncate(stream.FileName().c_str(), 100), 0);
  stream.Seek(std::int64_t{0}, TSeekOrigin::soBeginning);
  std::vector<std::uint8_t> buffer(10);
  ExpectHalvexError(11697,
                    "Cannot read from stream. Position = 0, Stream size = 100, Block size = 32768, Bytes Read = 100",
                    [&] { stream.Read(buffer.data(), 10); });
}

TEST(TempFileStreamTest, AShortWriteBackFails) {
  THalvexTempFileStream stream;
  testing::TFileSizeLimit limit(50000);
  Write(stream, PatternBytes(40000, 22));  // block 0 reaches the file, block 1 stays cached
  const auto more = PatternBytes(40000, 23);
  ExpectHalvexError(11698,
                    "Cannot write to stream. Position = 32768, Stream size = 50000, Block size = 32768, "
                    "Bytes Write = 17232",
                    [&] { stream.Write(more.data(), 40000); });
}

TEST(TemporaryStreamTest, GrowingByWritesAloneStaysInMemory) {
  THalvexTemporaryStream stream;
  EXPECT_EQ(stream.BlockSize(), 32768);
  EXPECT_EQ(stream.Threshold(), 1048576);
  const auto chunk = PatternBytes(1 << 20, 24);
  for (int i = 0; i < 5; ++i) Write(stream, chunk);
  EXPECT_TRUE(stream.InMemory());
  EXPECT_TRUE(stream.FileName().empty());
  EXPECT_EQ(stream.Size(), 5 << 20);
  stream.SetSize(std::int64_t{1048576});  // at the threshold: still memory
  EXPECT_TRUE(stream.InMemory());
}

TEST(TemporaryStreamTest, SetSizeAboveTheThresholdMovesTheDataToAFile) {
  THalvexTemporaryStream stream;
  const auto data = PatternBytes(5 << 20, 25);
  Write(stream, data);
  stream.SetSize(std::int64_t{1048577});
  EXPECT_FALSE(stream.InMemory());
  const std::string name = stream.FileName();
  EXPECT_TRUE(Exists(name));
  EXPECT_EQ(stream.Size(), 1048577);
  EXPECT_EQ(stream.Position(), 1048577);
  EXPECT_EQ(ReadAll(stream), std::vector<std::uint8_t>(data.begin(), data.begin() + 1048577));
  stream.SetSize(std::int64_t{10});  // stays on the file
  EXPECT_FALSE(stream.InMemory());
}

TEST(TemporaryStreamTest, TheMoveKeepsContentsAndPositionAndTheFileGoesWithTheStream) {
  std::string name;
  {
    THalvexTemporaryStream stream;
    const auto data = PatternBytes(100, 26);
    Write(stream, data);
    stream.Seek(std::int64_t{50}, TSeekOrigin::soBeginning);
    stream.SetSize(std::int64_t{2000000});
    name = stream.FileName();
    EXPECT_EQ(stream.Position(), 50);
    std::vector<std::uint8_t> expected(2000000, 0);
    std::copy(data.begin(), data.end(), expected.begin());
    EXPECT_EQ(ReadAll(stream), expected);
  }
  EXPECT_FALSE(Exists(name));
}

}  // namespace
}  // namespace halvex
