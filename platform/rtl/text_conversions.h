#pragma once
// Text conversions of numbers, dates, times and currency in both directions,
// following a TFormatSettings (the current ones when none is given). Failures
// raise EConvertError with the platform's messages:
//   "'%s' is not a valid floating point value"
//   "'%s' is not a valid date", "'%s' is not a valid time",
//   "'%s' is not a valid date and time", "'%s' is not a valid integer value"
//
// Floating text: 15 significant digits, no trailing zeros, the decimal
// separator of the settings; scientific form ("1.5E20", "1E-5") when the
// exponent is 15 (the precision) or more or below -4; "INF", "-INF", "NAN" for the
// non-finite values. Parsing accepts surrounding blanks, a sign, the decimal
// separator and an exponent, nothing else.
//
// Currency: a value with four decimals; CurrToStr prints it as a float
// without a currency sign, StrToCurr rounds to four decimals and refuses
// values outside +-922337203685477.5807.
//
// Dates parse as up to three numbers in the order of ShortDateFormat
// (day, month, year in any order), separated by DateSeparator with optional
// blanks; a missing year is the current year; a year of one or two digits is
// placed in the 100-year window that ends 50 years after the current year.
// Times parse as hours[:minutes[:seconds[.milliseconds]]] with an optional
// AM/PM marker. A date and time is a date, blanks, and a time.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"

namespace platform {

std::string FloatToStr(long double value, const TFormatSettings& settings);
std::string FloatToStr(long double value);
// The same with precision significant digits (1..18) instead of 15.
std::string FloatToStr(long double value, int precision, const TFormatSettings& settings);
bool TryStrToFloat(std::string_view text, long double& value, const TFormatSettings& settings);
long double StrToFloat(std::string_view text, const TFormatSettings& settings);
long double StrToFloat(std::string_view text);

std::string CurrToStr(double value, const TFormatSettings& settings);
std::string CurrToStr(double value);
double StrToCurr(std::string_view text, const TFormatSettings& settings);
double StrToCurr(std::string_view text);

// Decimal integers with an optional sign and surrounding blanks; also "$hex"
// and "0x" hex as the platform accepts. Values outside the type raise.
std::int64_t StrToInt64(std::string_view text);
bool TryStrToInt64(std::string_view text, std::int64_t& value);

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings);
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value);
// Short date, and the long time when the value has a time of day.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value);

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings);
TDateTime StrToDate(std::string_view text);
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text);
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view text);

}  // namespace platform
