#include "platform/rtl/text_conversions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/rtl/code_page.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/locale.h"
#include "platform/rtl/variant.h"

namespace platform {
namespace {

class TextConversions : public ::testing::Test {
 protected:
  void SetUp() override { SetAnsiCodePage(1250); }
  void TearDown() override {
    SetAnsiCodePage(0);
    SetUserLocale("");
    ResetFormatSettings();
  }
  TFormatSettings c_ = DefaultFormatSettings();
};

TEST_F(TextConversions, DefaultSettingsOfTheCLocale) {
  EXPECT_EQ(c_.DecimalSeparator, '.');
  EXPECT_EQ(c_.ThousandSeparator, ',');
  EXPECT_EQ(c_.DateSeparator, '/');
  EXPECT_EQ(c_.TimeSeparator, ':');
  EXPECT_EQ(c_.ShortDateFormat, "mm/dd/yyyy");
  EXPECT_EQ(c_.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(c_.CurrencyString, "\xA4");
  EXPECT_EQ(c_.CurrencyDecimals, 2);
  SetUserLocale("C");
  EXPECT_EQ(CurrentFormatSettings()->ShortDateFormat, "mm/dd/yyyy");
}

TEST_F(TextConversions, SettingsFromTheUserLocale) {
  SetUserLocale("hu_HU");
  const auto huSettings = CurrentFormatSettings();
  const TFormatSettings& hu = *huSettings;
  EXPECT_EQ(hu.DecimalSeparator, ',');
  EXPECT_EQ(hu.DateSeparator, '.');
  EXPECT_EQ(hu.CurrencyString, "Ft");
  EXPECT_EQ(hu.CurrencyFormat, 3);  // "1 Ft"
  EXPECT_EQ(hu.NegCurrFormat, 8);   // "-1 Ft"
  EXPECT_EQ(hu.CurrencyDecimals, 2);
  EXPECT_EQ(hu.LongMonthNames[0], "janu\xE1r");
  const TDateTime value = EncodeDate(2026, 12, 11) + EncodeTime(13, 5, 7, 0);
  EXPECT_EQ(DateToStr(value), "2026. 12. 11.");
  EXPECT_EQ(TimeToStr(value), "13:05:07");
  EXPECT_EQ(DateTimeToStr(value), "2026. 12. 11. 13:05:07");
  EXPECT_EQ(FormatDateTime("dddddd", value), "2026. december 11., p\xE9ntek");
  EXPECT_DOUBLE_EQ(StrToDateTime("2026. 12. 11. 13:05:07"), value);
  EXPECT_EQ(FloatToStr(1234.5L), "1234,5");

  SetUserLocale("en_US");
  const auto enSettings = CurrentFormatSettings();
  const TFormatSettings& en = *enSettings;
  EXPECT_EQ(en.ShortDateFormat, "m/d/yyyy");
  EXPECT_EQ(en.CurrencyString, "$");
  EXPECT_EQ(en.CurrencyFormat, 0);  // "$1"
  EXPECT_EQ(en.NegCurrFormat, 1);   // "-$1"
  EXPECT_EQ(FormatSettingsForLocale("nl_NL").CurrencyFormat, 2);  // "€ 1"
  EXPECT_EQ(DateTimeToStr(value), "12/11/2026 1:05:07 PM");
  EXPECT_DOUBLE_EQ(StrToDateTime("12/11/2026 1:05:07 PM"), value);

  // An application's own settings win until reset.
  TFormatSettings mine = DefaultFormatSettings();
  mine.DecimalSeparator = ';';
  SetFormatSettings(mine);
  EXPECT_EQ(FloatToStr(0.5L), "0;5");
  ResetFormatSettings();
  EXPECT_EQ(FloatToStr(0.5L), "0.5");
}

TEST_F(TextConversions, FloatsToText) {
  struct Case {
    long double value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},           {1, "1"},          {-2.5L, "-2.5"},       {0.1L, "0.1"},     {1.0L / 3, "0.333333333333333"},
      {1e14L, "100000000000000"}, {1e15L, "1E15"}, {1.5e20L, "1.5E20"}, {0.0001L, "0.0001"}, {0.00001L, "1E-5"},
      {123456789.125L, "123456789.125"}, {INFINITY, "INF"}, {-INFINITY, "-INF"}, {NAN, "NAN"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value, c_), c.text) << c.text;
  EXPECT_EQ(FloatToStr(0.1f, 7, c_), "0.1");
}

TEST_F(TextConversions, TextToFloats) {
  struct Case {
    const char* text;
    bool ok;
    long double value;
  };
  const Case cases[] = {
      {"1.5", true, 1.5L},  {" -2.25 ", true, -2.25L}, {"+3", true, 3}, {"1e3", true, 1000}, {".5", true, 0.5L},
      {"5.", true, 5},      {"1,5", false, 0},         {"", false, 0}, {"e3", false, 0},    {"1e", false, 0},
      {"0x10", false, 0},   {"1.5.2", false, 0},       {"inf", false, 0},
  };
  for (const auto& c : cases) {
    long double v = 0;
    EXPECT_EQ(TryStrToFloat(c.text, v, c_), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  try {
    StrToFloat("abc", c_);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value");
  }
}

TEST_F(TextConversions, IntegersAndCurrency) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  };
  for (const Case c : {Case{"12", true, 12}, Case{" -7 ", true, -7}, Case{"$FF", true, 255}, Case{"0x10", true, 16},
                       Case{"12x", false, 0}, Case{"9223372036854775808", false, 0},
                       Case{"-9223372036854775808", true, INT64_MIN}, Case{"", false, 0}, Case{"-", false, 0}}) {
    std::int64_t v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(CurrToStr(1.23456, c_), "1.2346");
  EXPECT_DOUBLE_EQ(StrToCurr("2.00005", c_), 2.0001);
  EXPECT_THROW(StrToCurr("1e20", c_), EConvertError);
}

TEST_F(TextConversions, DatesAndTimes) {
  const TDateTime value = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0);
  EXPECT_EQ(DateToStr(value, c_), "12/31/1999");
  EXPECT_EQ(TimeToStr(value, c_), "23:59:58");
  EXPECT_EQ(DateTimeToStr(value, c_), "12/31/1999 23:59:58");
  EXPECT_EQ(DateTimeToStr(EncodeDate(1999, 12, 31), c_), "12/31/1999");  // no time of day, no time
  EXPECT_EQ(DateTimeToStr(0, c_), "12/30/1899");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz 'at' dddd, mmmm", value + 0.0000001, c_),
            "1999-12-31 23:59:58.009 at Friday, December");
  // A 12-hour marker anywhere makes every hour of the format 12-hour.
  EXPECT_EQ(FormatDateTime("h:mm am/pm \"or\" hh:nn a/p", value, c_), "11:59 pm or 11:59 p");
  EXPECT_EQ(FormatDateTime("d/m/yy", value, c_), "31/12/99");

  struct Case {
    const char* text;
    bool ok;
    int y, m, d;
  };
  for (const Case c : {Case{"12/31/1999", true, 1999, 12, 31}, Case{" 2/29/2000 ", true, 2000, 2, 29},
                       Case{"2/30/2000", false, 0, 0, 0}, Case{"12-31-1999", false, 0, 0, 0},
                       Case{"12/31", true, 0, 12, 31}, Case{"1/2/03", true, 2003, 1, 2}, Case{"1/2/99", true, 1999, 1, 2},
                       Case{"12", false, 0, 0, 0}, Case{"", false, 0, 0, 0}, Case{"1/2/3/4", false, 0, 0, 0}}) {
    TDateTime parsed = 0;
    EXPECT_EQ(TryStrToDate(c.text, parsed, c_), c.ok) << c.text;
    if (!c.ok) continue;
    int y, m, d;
    DecodeDate(parsed, y, m, d);
    if (c.y != 0) {
      EXPECT_EQ(y, c.y) << c.text;
    }
    EXPECT_EQ(m * 100 + d, c.m * 100 + c.d) << c.text;
  }
  EXPECT_DOUBLE_EQ(StrToTime("13:05", c_), EncodeTime(13, 5, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("1:05:07.5 pm", c_), EncodeTime(13, 5, 7, 500));
  EXPECT_DOUBLE_EQ(StrToTime("12 AM", c_), 0);
  EXPECT_THROW(StrToTime("13:05 PM", c_), EConvertError);
  EXPECT_THROW(StrToTime("25:00", c_), EConvertError);
  try {
    StrToDate("31/12/1999", c_);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31/12/1999' is not a valid date");
  }
  EXPECT_DOUBLE_EQ(StrToDateTime("12/31/1999 23:59:58", c_), value);
  EXPECT_DOUBLE_EQ(StrToDateTime("23:59", c_), EncodeTime(23, 59, 0, 0));
  // Dates before 1899-12-30 keep the time of day as the fraction.
  EXPECT_DOUBLE_EQ(StrToDateTime("12/29/1899 06:00", c_), -1.25);
}

TEST_F(TextConversions, SettingsChangeWhileOtherThreadsConvert) {
  TFormatSettings semicolon = DefaultFormatSettings();
  semicolon.DecimalSeparator = ';';
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&] {
      while (!stop) {
        const std::string text = FloatToStr(0.5L);
        if (text != "0.5" && text != "0;5") ++wrong;
      }
    });
  for (int i = 0; i < 200; ++i) {
    if (i % 2 == 0)
      SetFormatSettings(semicolon);
    else
      SetFormatSettings(DefaultFormatSettings());
  }
  stop = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(TextConversions, VariantValuesAndTheirText) {
  EXPECT_EQ(TVariant().VarType(), varEmpty);
  EXPECT_EQ(TVariant::Null().VarType(), varNull);
  EXPECT_EQ(TVariant::Word(7).VarType(), varWord);
  EXPECT_EQ(TVariant::Word(7).AsInt64(), 7);
  EXPECT_EQ(TVariant::UInt64(UINT64_MAX).AsUInt64(), UINT64_MAX);
  EXPECT_EQ(TVariant::ByteArray({1, 2}).VarType(), varArray | varByte);
  EXPECT_EQ(TVariant::Boolean(true).ToString(), "True");
  EXPECT_EQ(TVariant::Integer(-3).ToString(), "-3");
  EXPECT_EQ(TVariant::OleStr(u"\u0151").ToString(), "\xF5");
  EXPECT_EQ(TVariant::Null().ToString(), "");
  EXPECT_THROW(TVariant::String("x").AsInt64(), EConvertError);
  EXPECT_THROW(TVariant::ByteArray({1}).ToString(), EConvertError);
  EXPECT_NE(TVariant::Integer(1), TVariant::LongWord(1));
}

}  // namespace
}  // namespace platform
