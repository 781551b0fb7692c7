// The file stream: creation and opening by narrow and wide name, their
// errors, share modes between two handles, access checks, and FileExists.

#include "engine/storage/file_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/halvex_errors.h"
#include "engine/storage/tests/support/file_size_limit.h"
#include "engine/storage/tests/support/stream_doubles.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace halvex {
namespace {

using testing::ExpectHalvexError;
using testing::TScratchDirectory;

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.Path().empty()); }

  std::string MakeFile(const std::string& name, const std::string& contents) {
    const std::string path = dir_.File(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }

  static std::string Contents(THalvexStream& stream) {
    const auto bytes = testing::ReadAll(stream);
    return std::string(bytes.begin(), bytes.end());
  }

  TScratchDirectory dir_;
};

TEST_F(FileStreamTest, MissingFilesCannotBeOpenedInAnyMode) {
  const std::string path = dir_.File("missing.bin");
  for (const std::uint16_t mode : {0x0000, 0x0002, 0x0020, 0x0012, 0x0041}) {
    SCOPED_TRACE(mode);
    ExpectHalvexError(10105, platform::Format("Cannot open file. FileName = %s, Mode = %d", {path, mode}),
                      [&] { THalvexFileStream stream(path, mode); });
  }
  EXPECT_FALSE(FileExists(path, u""));
}

TEST_F(FileStreamTest, CreateTruncatesAndOpenReadsWhatWasWritten) {
  const std::string path = MakeFile("data.bin", "old contents that are longer");
  {
    THalvexFileStream stream(path, fmCreate);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.BlockSize(), 102400);
    ASSERT_EQ(stream.Write("fresh", 5), 5);
  }
  THalvexFileStream stream(path, fmOpenRead);
  EXPECT_EQ(Contents(stream), "fresh");
}

TEST_F(FileStreamTest, CreateFailuresRaiseTheCreateError) {
  const std::string inMissingDirectory = dir_.File("no/such/dir/file.bin");
  ExpectHalvexError(10104, "Cannot create file. FileName = " + inMissingDirectory,
                    [&] { THalvexFileStream stream(inMissingDirectory, fmCreate); });
  ExpectHalvexError(10104, "Cannot create file. FileName = " + dir_.Path(),
                    [&] { THalvexFileStream stream(dir_.Path(), fmCreate); });
}

TEST_F(FileStreamTest, OnlyRegularFilesOpenAndOnlyKnownAccessModes) {
  ExpectHalvexError(10105, "Cannot open file. FileName = " + dir_.Path() + ", Mode = 0",
                    [&] { THalvexFileStream stream(dir_.Path(), fmOpenRead); });
  EXPECT_FALSE(FileExists(dir_.Path(), u""));
  const std::string path = MakeFile("plain.bin", "x");
  ExpectHalvexError(10105, "Cannot open file. FileName = " + path + ", Mode = 3",
                    [&] { THalvexFileStream stream(path, 3); });
  ExpectHalvexError(10105, "Cannot open file. FileName = , Mode = 0", [&] { THalvexFileStream stream("", 0); });
  const std::string withNul = path + std::string(1, '\0') + "tail";
  EXPECT_THROW(THalvexFileStream(withNul, fmOpenRead), EHalvexException);
}

TEST_F(FileStreamTest, WideNamesReachTheSystemAsUtf8) {
  const std::u16string wide = u"k\u00e9p-\u20ac-\U0001F600.bin";
  const std::string utf8 = dir_.File("k\xC3\xA9p-\xE2\x82\xAC-\xF0\x9F\x98\x80.bin");
  std::u16string widePath(dir_.Path().begin(), dir_.Path().end());
  widePath += u"/" + wide;
  {
    THalvexFileStream stream(widePath, fmCreate);
    EXPECT_EQ(stream.SystemFileName(), utf8);
    EXPECT_TRUE(stream.FileName().empty());
    EXPECT_EQ(stream.WideFileName(), widePath);
    stream.Write("wide", 4);
  }
  std::ifstream check(utf8, std::ios::binary);
  std::string text;
  check >> text;
  EXPECT_EQ(text, "wide");
  EXPECT_TRUE(FileExists("", widePath));

  std::u16string missing(dir_.Path().begin(), dir_.Path().end());
  missing += u"/nicht-da-\u00fc.bin";
  ExpectHalvexError(10105, "Cannot open file. FileName = " + dir_.File("nicht-da-\xC3\xBC.bin") + ", Mode = 0",
                    [&] { THalvexFileStream stream(missing, fmOpenRead); });
  std::u16string badDir(dir_.Path().begin(), dir_.Path().end());
  badDir += u"/no-dir/x.bin";
  ExpectHalvexError(10104, "Cannot create file. FileName = " + dir_.File("no-dir/x.bin"),
                    [&] { THalvexFileStream stream(badDir, fmCreate); });
}

struct TShareCase {
  std::uint16_t first;
  std::uint16_t second;
  bool secondOpens;
};

TEST_F(FileStreamTest, ShareModesHoldBetweenHandles) {
  const TShareCase cases[] = {
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      {fmOpenRead, fmOpenReadWrite, true},     // share bits 0: shared
      {fmOpenRead | 0x30, fmOpenWrite, true},  // other share values: shared
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenReadWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},
      {fmOpenWrite | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmOpenWrite | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareExclusive, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
      {fmCreate, fmOpenRead | fmShareDenyNone, false},  // a created file is held exclusively
      {fmOpenRead | fmShareDenyNone, fmCreate, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Format("first %x, second %x", {c.first, c.second}));
    const std::string path = MakeFile("shared.bin", "payload");
    auto first = std::make_unique<THalvexFileStream>(path, c.first);
    if (c.secondOpens) {
      THalvexFileStream second(path, c.second);
    } else if (c.second == fmCreate) {
      ExpectHalvexError(10104, "Cannot create file. FileName = " + path, [&] { THalvexFileStream s(path, c.second); });
    } else {
      ExpectHalvexError(10105, platform::Format("Cannot open file. FileName = %s, Mode = %d", {path, c.second}),
                        [&] { THalvexFileStream s(path, c.second); });
    }
    first.reset();
    // A refused create left the file alone; with the first handle gone the
    // second mode opens.
    if (c.first != fmCreate) {
      THalvexFileStream reader(path, fmOpenRead);
      EXPECT_EQ(Contents(reader), "payload");
    }
    THalvexFileStream second(path, c.second);
  }
}

TEST_F(FileStreamTest, FileExistsTriesTheWideNameFirst) {
  const std::string path = MakeFile("exists.bin", "1");
  const std::u16string widePath(path.begin(), path.end());
  const std::u16string wideMissing = widePath + u".not";
  EXPECT_TRUE(FileExists(path, u""));
  EXPECT_TRUE(FileExists("", widePath));
  EXPECT_TRUE(FileExists(path + ".not", widePath));
  EXPECT_FALSE(FileExists(path, wideMissing));
  {
    THalvexFileStream held(path, fmOpenRead | fmShareExclusive);
    EXPECT_FALSE(FileExists(path, u""));
  }
  {
    THalvexFileStream held(path, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_TRUE(FileExists(path, u""));  // reading shared is not denied
  }
  EXPECT_FALSE(FileExists(dir_.File("nothing"), u""));
}

TEST_F(FileStreamTest, HandlesOnlyDoWhatTheirAccessAllows) {
  const std::string path = MakeFile("access.bin", "0123456789");
  {
    THalvexFileStream reader(path, fmOpenRead);
    EXPECT_EQ(reader.Write("x", 1), 0);
    EXPECT_THROW(reader.SetSize(std::int64_t{2}), platform::EOSError);
    EXPECT_EQ(reader.Size(), 10);
  }
  {
    THalvexFileStream writer(path, fmOpenWrite);
    char buffer[4] = {};
    EXPECT_EQ(writer.Read(buffer, 4), 0);
    EXPECT_EQ(writer.Write("ab", 2), 2);
  }
  THalvexFileStream reader(path, fmOpenRead);
  EXPECT_EQ(Contents(reader), "ab23456789");
}

TEST_F(FileStreamTest, SetSizeKeepsThePositionInsideTheFile) {
  const std::string path = MakeFile("size.bin", "0123456789");
  THalvexFileStream stream(path, fmOpenReadWrite);
  stream.Seek(std::int64_t{4}, platform::TSeekOrigin::soBeginning);
  stream.SetSize(std::int64_t{6});
  EXPECT_EQ(stream.Position(), 4);
  stream.SetSize(std::int64_t{20});
  EXPECT_EQ(stream.Position(), 4);
  EXPECT_EQ(stream.Size(), 20);
}

TEST_F(FileStreamTest, SystemRefusalsSurface) {
  THalvexFileStream stream(dir_.File("limited.bin"), fmCreate);
  testing::TFileSizeLimit limit(1000);
  try {
    stream.SetSize(std::int64_t{5000});
    FAIL() << "SetSize beyond the file size limit succeeded";
  } catch (const platform::EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), EFBIG);
  }
  const std::vector<std::uint8_t> bytes(2000, 1);
  EXPECT_EQ(stream.Write(bytes.data(), 2000), 1000);  // what fit before the system refused
  EXPECT_EQ(stream.Write(bytes.data(), 10), 0);
}

}  // namespace
}  // namespace halvex
