#include "platform/rtl/date_time.h"

#include <gtest/gtest.h>

#include "platform/rtl/exception.h"

namespace platform {
namespace {

struct DateCase {
  int year, month, day;
  double value;
  std::int32_t dayNumber;
};

TEST(DateTime, EncodeAndDecodeDates) {
  const DateCase cases[] = {
      {1899, 12, 30, 0, 693594}, {1899, 12, 31, 1, 693595}, {1900, 1, 1, 2, 693596},
      {1999, 12, 31, 36525, 730119}, {2000, 2, 29, 36585, 730179}, {2026, 12, 11, 46367, 739961},
      {1, 1, 1, -693593, 1},     {9999, 12, 31, 2958465, 3652059}, {1800, 3, 1, -36463, 657131},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDate(c.year, c.month, c.day), c.value) << c.year << '-' << c.month << '-' << c.day;
    int y, m, d;
    DecodeDate(c.value, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.year * 10000 + c.month * 100 + c.day);
    std::int32_t n = 0;
    ASSERT_TRUE(TryEncodeDayNumber(c.year, c.month, c.day, n));
    EXPECT_EQ(n, c.dayNumber);
    DecodeDayNumber(n, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.year * 10000 + c.month * 100 + c.day);
  }
}

TEST(DateTime, InvalidPartsRaise) {
  struct Case {
    int y, m, d;
  };
  for (const Case c : {Case{1900, 2, 29}, Case{2023, 2, 29}, Case{0, 1, 1}, Case{10000, 1, 1}, Case{2000, 13, 1},
                       Case{2000, 4, 31}, Case{2000, 1, 0}}) {
    try {
      EncodeDate(c.y, c.m, c.d);
      ADD_FAILURE() << c.y << '-' << c.m << '-' << c.d;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTime, TimesAndTimeStamps) {
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  int h, n, s, z;
  DecodeTime(EncodeTime(13, 5, 59, 999), h, n, s, z);
  EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + z, 130559999);
  // Before 1899-12-30 the fraction is still the time of day.
  DecodeTime(-1.25, h, n, s, z);
  EXPECT_EQ(h, 6);
  const TTimeStamp before = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(before.Date, 693593);
  EXPECT_EQ(before.Time, 21600000);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(before), -1.25);
  const TTimeStamp stamp = DateTimeToTimeStamp(36525.5);
  EXPECT_EQ(stamp.Date, 730119);
  EXPECT_EQ(stamp.Time, 43200000);
  // Rounding up to midnight moves to the next day.
  const TTimeStamp late = DateTimeToTimeStamp(1.9999999999);
  EXPECT_EQ(late.Date, 693596);
  EXPECT_EQ(late.Time, 0);
  EXPECT_THROW(DateTimeToTimeStamp(1e300), EConvertError);
  EXPECT_THROW(TimeStampToDateTime(TTimeStamp{86400000, 1}), EConvertError);
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 11)), 6);  // a Friday
  EXPECT_EQ(DayOfWeek(0), 7);                          // 1899-12-30, a Saturday
}

}  // namespace
}  // namespace platform
