#pragma once
// TFormatSettings: the locale conventions that text conversions of numbers,
// dates, times and currency follow. Texts are narrow ANSI text.
//
// Date and time formats use these specifiers (letters in any case):
//   d dd ddd dddd      day; short and long day name
//   ddddd dddddd       ShortDateFormat, LongDateFormat
//   m mm mmm mmmm      month; short and long month name (minutes after h/hh)
//   yy yyyy            year, two or four digits
//   h hh  n nn  s ss   hour, minute, second; z zzz milliseconds
//   t tt  c            ShortTimeFormat, LongTimeFormat; short date + long time
//   am/pm a/p ampm     12-hour clock markers (ampm uses TimeAMString/PMString)
//   /  :               DateSeparator, TimeSeparator
//   '...' "..."        literal text
//
// Defaults. FormatSettingsForLocale takes the conventions of an ICU locale
// (decimal and grouping separators and currency symbol from its number
// symbols; the currency sign's place, the matching negative form and the
// decimals from its currency format; short date, full date, short and medium time patterns and the
// month and day names from its date formats; years always in four digits).
// The C/POSIX locale gets DefaultFormatSettings, fixed and documented here:
//   DecimalSeparator '.', ThousandSeparator ',', CurrencyString "\xA4" (the
//   generic currency sign), CurrencyFormat 0, NegCurrFormat 0,
//   CurrencyDecimals 2, DateSeparator '/', TimeSeparator ':',
//   ShortDateFormat "mm/dd/yyyy", LongDateFormat "dddd, dd mmmm yyyy",
//   ShortTimeFormat "hh:nn", LongTimeFormat "hh:nn:ss", TimeAMString "AM",
//   TimePMString "PM", English month and day names.
//
// Thread safety: every function may be called from any thread.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct TFormatSettings {
  std::string CurrencyString;
  std::uint8_t CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  std::uint8_t NegCurrFormat = 0;
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  std::uint8_t CurrencyDecimals = 2;
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat;
  std::string LongDateFormat;
  std::string TimeAMString;
  std::string TimePMString;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 7> ShortDayNames;  // [0] is Sunday
  std::array<std::string, 7> LongDayNames;
};

TFormatSettings DefaultFormatSettings();
// Texts go through the ANSI code page in force at the call.
TFormatSettings FormatSettingsForLocale(const std::string& localeId);

// The settings conversions use when none are given: the user locale's,
// unless an application has set its own. The result stays valid while it is
// held, whatever other threads set meanwhile.
std::shared_ptr<const TFormatSettings> CurrentFormatSettings();
void SetFormatSettings(const TFormatSettings& settings);
// Back to the user locale's settings (also taken again on a locale change).
void ResetFormatSettings();

}  // namespace platform
