#include "platform/rtl/text_conversions.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/rtl/code_page.h"
#include "platform/rtl/exception.h"

namespace platform {
namespace {

[[noreturn]] void RaiseInvalid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  return AnsiUpperCase(text.substr(0, prefix.size())) == AnsiUpperCase(prefix);
}

int CurrentYear() {
  const auto now = std::chrono::system_clock::now();
  const std::chrono::year_month_day ymd{std::chrono::floor<std::chrono::days>(now)};
  return static_cast<int>(ymd.year());
}

// --- formatting of dates and times ----------------------------------------

struct DateParts {
  int year, month, day, hour, minute, second, msec, weekDay;
};

bool HasAmPm(std::string_view format) {
  char quote = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    const std::string_view rest = format.substr(i);
    if (StartsWithNoCase(rest, "am/pm") || StartsWithNoCase(rest, "a/p") || StartsWithNoCase(rest, "ampm"))
      return true;
  }
  return false;
}

void AppendNumber(std::string& out, int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", digits, value);
  out += buf;
}

void FormatInto(std::string& out, std::string_view format, TDateTime value, const DateParts& p,
                const TFormatSettings& s, int depth) {
  if (depth > 2) return;  // a format that names itself would never end
  const bool twelveHour = HasAmPm(format);
  bool afterHour = false;
  std::size_t i = 0;
  auto run = [&](char letter) {
    std::size_t n = 0;
    while (i + n < format.size() && Lower(format[i + n]) == letter) ++n;
    return n;
  };
  while (i < format.size()) {
    const char c = format[i];
    const char l = Lower(c);
    if (c == '\'' || c == '"') {
      const std::size_t end = format.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? format.size() : end;
      out.append(format.substr(i + 1, stop - i - 1));
      i = stop == format.size() ? stop : stop + 1;
      continue;
    }
    if (c == '/') {
      out += s.DateSeparator;
      ++i;
      continue;
    }
    if (c == ':') {
      out += s.TimeSeparator;
      ++i;
      continue;
    }
    if (l == 'a') {
      const std::string_view rest = format.substr(i);
      if (StartsWithNoCase(rest, "am/pm")) {
        const bool pm = p.hour >= 12;
        // The marker keeps the case of the format's letters.
        out += pm ? (rest[0] == 'a' ? "pm" : "PM") : (rest[0] == 'a' ? "am" : "AM");
        i += 5;
        continue;
      }
      if (StartsWithNoCase(rest, "a/p")) {
        const bool pm = p.hour >= 12;
        out += pm ? (rest[0] == 'a' ? 'p' : 'P') : (rest[0] == 'a' ? 'a' : 'A');
        i += 3;
        continue;
      }
      if (StartsWithNoCase(rest, "ampm")) {
        out += p.hour >= 12 ? s.TimePMString : s.TimeAMString;
        i += 4;
        continue;
      }
      out += c;
      ++i;
      continue;
    }
    switch (l) {
      case 'c': {
        ++i;
        FormatInto(out, s.ShortDateFormat, value, p, s, depth + 1);
        if (value != std::trunc(value)) {
          out += ' ';
          FormatInto(out, s.LongTimeFormat, value, p, s, depth + 1);
        }
        afterHour = false;
        break;
      }
      case 'd': {
        const std::size_t n = run('d');
        i += n;
        if (n == 1 || n == 2)
          AppendNumber(out, p.day, static_cast<int>(n));
        else if (n == 3)
          out += s.ShortDayNames[static_cast<std::size_t>(p.weekDay - 1)];
        else if (n == 4)
          out += s.LongDayNames[static_cast<std::size_t>(p.weekDay - 1)];
        else if (n == 5)
          FormatInto(out, s.ShortDateFormat, value, p, s, depth + 1);
        else
          FormatInto(out, s.LongDateFormat, value, p, s, depth + 1);
        afterHour = false;
        break;
      }
      case 'm': {
        std::size_t n = run('m');
        i += n;
        if (afterHour && n <= 2) {
          AppendNumber(out, p.minute, static_cast<int>(n));
        } else if (p.month >= 1) {
          if (n > 4) n = 4;
          if (n <= 2)
            AppendNumber(out, p.month, static_cast<int>(n));
          else
            out += (n == 3 ? s.ShortMonthNames : s.LongMonthNames)[static_cast<std::size_t>(p.month - 1)];
        }
        afterHour = false;
        break;
      }
      case 'y': {
        const std::size_t n = run('y');
        i += n;
        if (n <= 2)
          AppendNumber(out, p.year % 100, 2);
        else
          AppendNumber(out, p.year, 4);
        afterHour = false;
        break;
      }
      case 'h': {
        const std::size_t n = run('h');
        i += n;
        int hour = p.hour;
        if (twelveHour) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendNumber(out, hour, n >= 2 ? 2 : 1);
        afterHour = true;
        continue;
      }
      case 'n':
      case 's':
      case 'z': {
        // Minutes, seconds and milliseconds: one digit, or the full width.
        const std::size_t n = run(l);
        i += n;
        const int full = l == 'z' ? 3 : 2;
        AppendNumber(out, l == 'n' ? p.minute : (l == 's' ? p.second : p.msec),
                     n >= static_cast<std::size_t>(full) ? full : 1);
        afterHour = false;
        break;
      }
      case 't': {
        const std::size_t n = run('t');
        i += n;
        FormatInto(out, n >= 2 ? s.LongTimeFormat : s.ShortTimeFormat, value, p, s, depth + 1);
        afterHour = false;
        break;
      }
      default:
        out += c;
        ++i;
        // Blanks and separators keep "h:mm" reading minutes.
        if (!(c == ' ' || c == '.' || c == ',' || c == '-')) afterHour = false;
        break;
    }
  }
}

// --- scanning -------------------------------------------------------------

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  bool Accept(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool AcceptNoCase(std::string_view word) {
    if (word.empty() || !StartsWithNoCase(text_.substr(pos_), word)) return false;
    pos_ += word.size();
    return true;
  }
  // Up to 9 decimal digits; digits receives their count.
  bool Number(int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9' && digits < 9) {
      value = value * 10 + (text_[pos_] - '0');
      ++pos_;
      ++digits;
    }
    return digits > 0;
  }
  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The order of day, month and year in ShortDateFormat: "DMY", "MDY", "YMD", ...
std::string DateOrder(std::string_view format) {
  std::string order;
  char quote = 0;
  for (char c : format) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    const char l = Lower(c);
    const char key = l == 'd' ? 'D' : l == 'm' ? 'M' : l == 'y' ? 'Y' : 0;
    if (key != 0 && order.find(key) == std::string::npos) order += key;
  }
  if (order.size() != 3) return "MDY";
  return order;
}

bool ScanDate(Scanner& scan, const TFormatSettings& s, TDateTime& result) {
  int values[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  scan.SkipBlanks();
  while (count < 3) {
    if (!scan.Number(values[count], digits[count])) break;
    ++count;
    const std::size_t afterNumber = scan.Position();
    scan.SkipBlanks();
    if (!scan.Accept(s.DateSeparator)) {
      scan.SetPosition(afterNumber);
      break;
    }
    scan.SkipBlanks();
  }
  if (count < 2) return false;
  std::string order = DateOrder(s.ShortDateFormat);
  int year = CurrentYear(), month = 0, day = 0;
  int yearDigits = 4;
  if (count == 2) order.erase(order.find('Y'), 1);
  for (int i = 0; i < count; ++i) {
    switch (order[static_cast<std::size_t>(i)]) {
      case 'Y':
        year = values[i];
        yearDigits = digits[i];
        break;
      case 'M':
        month = values[i];
        break;
      default:
        day = values[i];
        break;
    }
  }
  if (yearDigits <= 2) {
    const int pivot = CurrentYear() - 50;
    year += pivot / 100 * 100;
    if (year < pivot) year += 100;
  }
  return TryEncodeDate(year, month, day, result);
}

bool ScanTime(Scanner& scan, const TFormatSettings& s, TDateTime& result) {
  int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
  scan.SkipBlanks();
  if (!scan.Number(hour, digits)) return false;
  bool separated = false;
  if (scan.Accept(s.TimeSeparator)) {
    separated = true;
    if (!scan.Number(minute, digits)) return false;
    if (scan.Accept(s.TimeSeparator)) {
      if (!scan.Number(second, digits)) return false;
      if (scan.Accept('.') || scan.Accept(s.DecimalSeparator)) {
        if (!scan.Number(msec, digits) || digits > 3) return false;
        for (; digits < 3; ++digits) msec *= 10;
      }
    }
  }
  scan.SkipBlanks();
  int marker = 0;  // 1 AM, 2 PM
  if (scan.AcceptNoCase(s.TimeAMString) || scan.AcceptNoCase("AM") || scan.AcceptNoCase("A"))
    marker = 1;
  else if (scan.AcceptNoCase(s.TimePMString) || scan.AcceptNoCase("PM") || scan.AcceptNoCase("P"))
    marker = 2;
  if (!separated && marker == 0) return false;
  if (marker != 0) {
    if (hour > 12) return false;
    if (marker == 1 && hour == 12) hour = 0;
    if (marker == 2 && hour < 12) hour += 12;
  }
  return TryEncodeTime(hour, minute, second, msec, result);
}

DateParts PartsOf(TDateTime value) {
  DateParts p{};
  DecodeDate(value, p.year, p.month, p.day);
  DecodeTime(value, p.hour, p.minute, p.second, p.msec);
  p.weekDay = DayOfWeek(value);
  return p;
}

}  // namespace

// --- floating values ----------------------------------------------------------

std::string FloatToStr(long double value, const TFormatSettings& settings) {
  return FloatToStr(value, 15, settings);
}

std::string FloatToStr(long double value, int precision, const TFormatSettings& settings) {
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", precision - 1, value);
  // buf: [-]d.ddddddddddddddde[+-]x...
  const char* p = buf;
  std::string out;
  if (*p == '-') {
    out += '-';
    ++p;
  }
  std::string digits;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (exponent >= precision || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += settings.DecimalSeparator;
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += '0';
    out += settings.DecimalSeparator;
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= whole) {
    out += digits;
    out.append(whole - digits.size(), '0');
  } else {
    out.append(digits, 0, whole);
    out += settings.DecimalSeparator;
    out.append(digits, whole, std::string::npos);
  }
  return out;
}

std::string FloatToStr(long double value) { return FloatToStr(value, *CurrentFormatSettings()); }

bool TryStrToFloat(std::string_view text, long double& value, const TFormatSettings& settings) {
  const std::string_view t = Trim(text);
  char buf[512];
  if (t.empty() || t.size() >= sizeof buf) return false;
  std::size_t n = 0, i = 0;
  bool negative = false;
  if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
  std::size_t mantissaDigits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf[n++] = t[i++], ++mantissaDigits;
  if (i < t.size() && t[i] == settings.DecimalSeparator) {
    buf[n++] = '.';
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf[n++] = t[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    buf[n++] = 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) buf[n++] = t[i++];
    std::size_t exponentDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') buf[n++] = t[i++], ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != t.size()) return false;
  long double parsed = 0;
  const auto [end, ec] = std::from_chars(buf, buf + n, parsed);
  if (ec != std::errc() || end != buf + n) return false;
  value = negative ? -parsed : parsed;
  return true;
}

long double StrToFloat(std::string_view text, const TFormatSettings& settings) {
  long double value = 0;
  if (!TryStrToFloat(text, value, settings)) RaiseInvalid(text, "floating point value");
  return value;
}

long double StrToFloat(std::string_view text) { return StrToFloat(text, *CurrentFormatSettings()); }

// --- currency -------------------------------------------------------------

std::string CurrToStr(double value, const TFormatSettings& settings) {
  return FloatToStr(std::round(static_cast<long double>(value) * 10000.0L) / 10000.0L, settings);
}

std::string CurrToStr(double value) { return CurrToStr(value, *CurrentFormatSettings()); }

double StrToCurr(std::string_view text, const TFormatSettings& settings) {
  long double value = 0;
  if (!TryStrToFloat(text, value, settings) || std::fabs(value) > 922337203685477.5807L)
    RaiseInvalid(text, "floating point value");
  return static_cast<double>(std::round(value * 10000.0L) / 10000.0L);
}

double StrToCurr(std::string_view text) { return StrToCurr(text, *CurrentFormatSettings()); }

// --- integers ---------------------------------------------------------------

bool TryStrToInt64(std::string_view text, std::int64_t& value) {
  std::string_view t = Trim(text);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return false;
  std::uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  if (base == 16 && !negative) {
    // Hex text gives the bit pattern, as the platform reads "$FFFFFFFFFFFFFFFF" as -1.
    value = static_cast<std::int64_t>(magnitude);
    return true;
  }
  if (negative) {
    if (magnitude > 9223372036854775808ull) return false;
    value = static_cast<std::int64_t>(0 - magnitude);
  } else {
    if (magnitude > 9223372036854775807ull) return false;
    value = static_cast<std::int64_t>(magnitude);
  }
  return true;
}

std::int64_t StrToInt64(std::string_view text) {
  std::int64_t value = 0;
  if (!TryStrToInt64(text, value)) RaiseInvalid(text, "integer value");
  return value;
}

// --- dates and times --------------------------------------------------------

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
  std::string out;
  FormatInto(out, format, value, PartsOf(value), settings, 0);
  return out;
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
  return FormatDateTime(format, value, *CurrentFormatSettings());
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime(settings.ShortDateFormat, value, settings);
}
std::string DateToStr(TDateTime value) { return DateToStr(value, *CurrentFormatSettings()); }

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime(settings.LongTimeFormat, value, settings);
}
std::string TimeToStr(TDateTime value) { return TimeToStr(value, *CurrentFormatSettings()); }

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}
std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, *CurrentFormatSettings()); }

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text);
  if (!ScanDate(scan, settings, value)) return false;
  scan.SkipBlanks();
  return scan.AtEnd();
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDate(text, value, settings)) RaiseInvalid(text, "date");
  return value;
}
TDateTime StrToDate(std::string_view text) { return StrToDate(text, *CurrentFormatSettings()); }

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text);
  if (!ScanTime(scan, settings, value)) return false;
  scan.SkipBlanks();
  return scan.AtEnd();
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToTime(text, value, settings)) RaiseInvalid(text, "time");
  return value;
}
TDateTime StrToTime(std::string_view text) { return StrToTime(text, *CurrentFormatSettings()); }

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner scan(text);
  TDateTime date = 0;
  if (ScanDate(scan, settings, date)) {
    scan.SkipBlanks();
    if (scan.AtEnd()) {
      value = date;
      return true;
    }
    TDateTime time = 0;
    if (!ScanTime(scan, settings, time)) return false;
    scan.SkipBlanks();
    if (!scan.AtEnd()) return false;
    value = date >= 0 ? date + time : date - time;
    return true;
  }
  return TryStrToTime(text, value, settings);
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value = 0;
  if (!TryStrToDateTime(text, value, settings)) RaiseInvalid(text, "date and time");
  return value;
}
TDateTime StrToDateTime(std::string_view text) { return StrToDateTime(text, *CurrentFormatSettings()); }

}  // namespace platform
