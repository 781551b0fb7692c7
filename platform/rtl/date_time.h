#pragma once
// TDateTime: days since 1899-12-30 as a double, the time of day as the
// fraction (6:00 is 0.25). Negative values count days before 1899-12-30; the
// fraction is then still the time of day (-1.25 is 1899-12-29 06:00).
//
// TTimeStamp: the split form the engine stores — Date is a day number in
// which day 1 is 0001-01-01 (so 1899-12-30 is 693594), Time is milliseconds
// since midnight.
//
// Encoding raises EConvertError "Invalid argument to date encode" or
// "Invalid argument to time encode" for parts outside their ranges (years
// 1 to 9999).

#include <cstdint>

namespace platform {

using TDateTime = double;

inline constexpr std::int32_t kDateDelta = 693594;  // day number of 1899-12-30
inline constexpr std::int32_t kMSecsPerDay = 86400000;

struct TTimeStamp {
  std::int32_t Time;  // milliseconds since midnight
  std::int32_t Date;  // day number, day 1 = 0001-01-01
};

bool IsLeapYear(int year) noexcept;
int DaysInMonth(int year, int month) noexcept;

bool TryEncodeDate(int year, int month, int day, TDateTime& result) noexcept;
TDateTime EncodeDate(int year, int month, int day);
// Years outside 1..9999 decode to 0, 0, 0.
void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept;

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) noexcept;
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) noexcept;

// Day of the week, 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value) noexcept;

// Day numbers and TDateTime days.
bool TryEncodeDayNumber(int year, int month, int day, std::int32_t& dayNumber) noexcept;
void DecodeDayNumber(std::int32_t dayNumber, int& year, int& month, int& day) noexcept;

// Raises EConvertError "Invalid floating point operation" for a value whose
// day number does not fit 32 bits (or is not finite).
TTimeStamp DateTimeToTimeStamp(TDateTime value);
// Raises EConvertError "Invalid argument to date encode" for a time outside
// 0..86399999 or a day number below 1.
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);

}  // namespace platform
