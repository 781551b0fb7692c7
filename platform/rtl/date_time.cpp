#include "platform/rtl/date_time.h"

#include <cmath>
#include <cstdint>

#include "platform/rtl/exception.h"

namespace platform {
namespace {

constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

[[noreturn]] void RaiseDate() { throw EConvertError("Invalid argument to date encode"); }
[[noreturn]] void RaiseTime() { throw EConvertError("Invalid argument to time encode"); }

// Day number (day 1 = 0001-01-01) of a valid date.
std::int32_t DayNumberOf(int year, int month, int day) noexcept {
  const auto& days = kMonthDays[IsLeapYear(year) ? 1 : 0];
  std::int32_t n = day;
  for (int m = 0; m < month - 1; ++m) n += days[m];
  const std::int32_t y = year - 1;
  return n + y * 365 + y / 4 - y / 100 + y / 400;
}

}  // namespace

bool IsLeapYear(int year) noexcept { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) noexcept {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

bool TryEncodeDayNumber(int year, int month, int day, std::int32_t& dayNumber) noexcept {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  dayNumber = DayNumberOf(year, month, day);
  return true;
}

void DecodeDayNumber(std::int32_t dayNumber, int& year, int& month, int& day) noexcept {
  // 9999-12-31 is day 3652059.
  if (dayNumber < 1 || dayNumber > 3652059) {
    year = month = day = 0;
    return;
  }
  constexpr int kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  int t = dayNumber - 1;
  int y = 1;
  y += (t / kD400) * 400;
  t %= kD400;
  int i = t / kD100;
  int d = t % kD100;
  if (i == 4) {
    --i;
    d += kD100;
  }
  y += i * 100;
  i = d / kD4;
  d %= kD4;
  y += i * 4;
  i = d / kD1;
  d %= kD1;
  if (i == 4) {
    --i;
    d += kD1;
  }
  y += i;
  const auto& days = kMonthDays[IsLeapYear(y) ? 1 : 0];
  int m = 0;
  while (d >= days[m]) {
    d -= days[m];
    ++m;
  }
  year = y;
  month = m + 1;
  day = d + 1;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) noexcept {
  std::int32_t n = 0;
  if (!TryEncodeDayNumber(year, month, day, n)) return false;
  result = static_cast<double>(n - kDateDelta);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) RaiseDate();
  return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
    year = month = day = 0;
    return;
  }
  DecodeDayNumber(static_cast<std::int32_t>(std::trunc(value)) + kDateDelta, year, month, day);
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) noexcept {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    return false;
  result = (((hour * 60 + minute) * 60 + second) * 1000 + msec) / static_cast<double>(kMSecsPerDay);
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result)) RaiseTime();
  return result;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) noexcept {
  std::int64_t ms = 0;
  if (std::isfinite(value)) {
    const double fraction = std::fabs(value - std::trunc(value));
    ms = static_cast<std::int64_t>(std::llround(fraction * kMSecsPerDay));
    if (ms >= kMSecsPerDay) ms = kMSecsPerDay - 1;
  }
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) noexcept {
  // Outside the calendar's years there is no weekday; Saturday keeps callers' indexes valid.
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) value = 0;
  // 1899-12-30 was a Saturday.
  const std::int64_t days = static_cast<std::int64_t>(std::trunc(value));
  return static_cast<int>(((days % 7) + 7 + 6) % 7) + 1;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > 2.0e9) throw EConvertError("Invalid floating point operation");
  const double whole = std::trunc(value);
  std::int64_t ms = std::llround(std::fabs(value - whole) * kMSecsPerDay);
  std::int64_t date = static_cast<std::int64_t>(whole) + kDateDelta;
  if (ms >= kMSecsPerDay) {
    // Rounding reached midnight of the next day in the value's direction.
    ms -= kMSecsPerDay;
    date += value < 0 ? -1 : 1;
  }
  if (date < INT32_MIN + 1 || date > INT32_MAX) throw EConvertError("Invalid floating point operation");
  return TTimeStamp{static_cast<std::int32_t>(ms), static_cast<std::int32_t>(date)};
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  if (stamp.Time < 0 || stamp.Time >= kMSecsPerDay || stamp.Date < 1) RaiseDate();
  const double days = static_cast<double>(stamp.Date - kDateDelta);
  const double fraction = stamp.Time / static_cast<double>(kMSecsPerDay);
  return days >= 0 ? days + fraction : days - fraction;
}

}  // namespace platform
