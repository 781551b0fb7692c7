#include "platform/rtl/code_page.h"

#include <gtest/gtest.h>

#include "platform/rtl/exception.h"
#include "platform/rtl/locale.h"

namespace platform {
namespace {

class CodePage : public ::testing::Test {
 protected:
  void TearDown() override {
    SetAnsiCodePage(0);
    SetUserLocale("");
  }
};

TEST_F(CodePage, FollowsTheUserLocaleUnlessPinned) {
  struct Case {
    const char* locale;
    std::int32_t codePage;
  };
  for (const Case c : {Case{"hu_HU", 1250}, Case{"cs_CZ", 1250}, Case{"pl_PL", 1250}, Case{"ru_RU", 1251},
                       Case{"el_GR", 1253}, Case{"tr_TR", 1254}, Case{"lt_LT", 1257}, Case{"en_US", 1252},
                       Case{"de_DE", 1252}, Case{"sr_Latn_RS", 1250}, Case{"", 1252}, Case{"xx_YY", 1252}}) {
    SetUserLocale(c.locale);
    EXPECT_EQ(AnsiCodePage(), c.codePage) << c.locale;
  }
  SetUserLocale("en_US");
  SetAnsiCodePage(1250);
  EXPECT_EQ(AnsiCodePage(), 1250);
  SetAnsiCodePage(0);
  EXPECT_EQ(AnsiCodePage(), 1252);
}

TEST_F(CodePage, PosixNamesBecomeLocaleIds) {
  EXPECT_EQ(LocaleIdFromPosixName("hu_HU.UTF-8"), "hu_HU");
  EXPECT_EQ(LocaleIdFromPosixName("de_DE@euro"), "de_DE");
  EXPECT_EQ(LocaleIdFromPosixName("C.UTF-8"), "");
  EXPECT_EQ(LocaleIdFromPosixName("POSIX"), "");
}

TEST_F(CodePage, UnsupportedCodePageRaises) {
  try {
    SetAnsiCodePage(437);
    FAIL() << "nothing raised";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Unsupported code page 437");
  }
  EXPECT_EQ(AnsiCodePage(), 1252);
}

TEST_F(CodePage, HungarianLettersOfWindows1250) {
  struct Case {
    unsigned char byte;
    char16_t unit;
  };
  for (const Case c : {Case{0xF5, u'\u0151'}, Case{0xFB, u'\u0171'}, Case{0xD5, u'\u0150'}, Case{0xDB, u'\u0170'},
                       Case{0xE1, u'\u00E1'}, Case{0x80, u'\u20AC'}, Case{0x8A, u'\u0160'}, Case{'A', u'A'}}) {
    EXPECT_EQ(CodePageTable(1250).ToWide(c.byte), c.unit) << int(c.byte);
    EXPECT_EQ(static_cast<unsigned char>(CodePageTable(1250).FromWide(c.unit)), c.byte) << int(c.byte);
  }
  // The same byte is another letter in windows-1252.
  EXPECT_EQ(CodePageTable(1252).ToWide(0xF5), u'\u00F5');
}

TEST_F(CodePage, EveryByteSurvivesARoundTrip) {
  for (std::int32_t cp : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(WideToAnsi(AnsiToWide(all, cp), cp), all) << cp;
  }
  EXPECT_EQ(WideToAnsi(u"\u4E2D\u0151", 1252), "??");
  EXPECT_EQ(WideToUtf8(Utf8ToWide("\xC5\x91r")), "\xC5\x91r");
}

TEST_F(CodePage, CaseMappingFollowsTheLocale) {
  SetUserLocale("hu_HU");
  SetAnsiCodePage(1250);
  // "árvíztűrő tükörfúrógép" in windows-1250
  const std::string lower = "\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p";
  const std::string upper = "\xC1RV\xCDZT\xDBR\xD5 T\xDCK\xD6RF\xDAR\xD3G\xC9P";
  EXPECT_EQ(AnsiUpperCase(lower), upper);
  EXPECT_EQ(AnsiLowerCase(upper), lower);
  // German sharp s has no one-letter capital: it stays.
  SetAnsiCodePage(1252);
  EXPECT_EQ(AnsiUpperCase("stra\xDF" "e"), "STRA\xDF" "E");
  EXPECT_EQ(WideUpperCase(u"stra\u00DFe"), u"STRASSE");
  // Turkish dotted capital I.
  SetUserLocale("tr_TR");
  SetAnsiCodePage(1254);
  EXPECT_EQ(AnsiUpperCase("i"), "\xDD");
  EXPECT_EQ(WideUpperCase(u"i"), u"\u0130");
  SetUserLocale("en_US");
  EXPECT_EQ(WideUpperCase(u"i"), u"I");
  EXPECT_EQ(WideLowerCase(u"\u0150"), u"\u0151");
}

}  // namespace
}  // namespace platform
