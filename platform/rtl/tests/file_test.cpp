// Files of the platform: UTF-16 names, the temporary directory and unique
// temporary files. Share modes are exercised through the engine's file
// stream (engine/storage/tests/file_stream_test.cpp).

#include "platform/rtl/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace {

TEST(Utf16ToUtf8Test, EncodesEveryPlaneAndReplacesUnpairedSurrogates) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""},
      {u"abc", "abc"},
      {u"\u00e9", "\xC3\xA9"},
      {u"\u07FF", "\xDF\xBF"},
      {u"\u0800", "\xE0\xA0\x80"},
      {u"\u20ac", "\xE2\x82\xAC"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
      {std::u16string(1, u'\xD83D'), "\xEF\xBF\xBD"},
      {std::u16string(1, u'\xDE00'), "\xEF\xBF\xBD"},
      {std::u16string{u'\xD83D', u'a'},
       "\xEF\xBF\xBD"
       "a"},
      {std::u16string{u'\xDE00', u'\xD83D'}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& [wide, utf8] : cases) EXPECT_EQ(Utf16ToUtf8(wide), utf8) << utf8;
}

TEST(TempDirectoryTest, IsReadOnceForTheProcess) {
  const std::string first = TempDirectory();
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first == "/" || first.back() != '/');
  ::setenv("TMPDIR", "/somewhere/else", 1);
  EXPECT_EQ(TempDirectory(), first);
}

TEST(CreateUniqueFileTest, MakesDistinctPrivateFilesWithThePrefix) {
  const std::string a = CreateUniqueFile(TempDirectory(), "ACR");
  const std::string b = CreateUniqueFile(TempDirectory(), "ACR");
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.compare(0, TempDirectory().size() + 4, TempDirectory() + "/ACR"), 0) << a;
  struct stat info {};
  ASSERT_EQ(::stat(a.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(info.st_size, 0);
  EXPECT_TRUE(DeleteFile(a));
  EXPECT_TRUE(DeleteFile(b));
  EXPECT_FALSE(DeleteFile(a));
  EXPECT_EQ(CreateUniqueFile("/no/such/directory", "ACR"), "");
}

}  // namespace
}  // namespace platform
