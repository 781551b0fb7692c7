#include "platform/rtl/format_settings.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uchar.h>

#include <memory>
#include <mutex>
#include <string_view>

#include "platform/rtl/code_page.h"
#include "platform/rtl/locale.h"

namespace platform {
namespace {

std::string ToAnsi(const icu::UnicodeString& text) {
  return WideToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.getBuffer()),
                                        static_cast<std::size_t>(text.length())));
}

// A one-character separator; a text that is not one ANSI character keeps the fallback.
char SeparatorOf(const icu::UnicodeString& text, char fallback) {
  // A narrow no-break space (French grouping) is written as a no-break space.
  const std::string ansi = ToAnsi(text.length() == 1 && u_isUWhiteSpace(text.charAt(0)) ? icu::UnicodeString(u'\u00A0') : text);
  return ansi.size() == 1 && ansi[0] != '?' ? ansi[0] : fallback;
}

bool IsPatternLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The first separator between date or time fields of an ICU pattern.
char FirstSeparator(const icu::UnicodeString& pattern, char fallback) {
  bool seenField = false;
  for (int32_t i = 0; i < pattern.length(); ++i) {
    const char16_t c = pattern.charAt(i);
    if (c == u'\'') return fallback;
    if (IsPatternLetter(c)) {
      seenField = true;
    } else if (seenField && c != u' ' && c != 0x00A0) {
      const char ansi = WideToAnsi(std::u16string_view(&c, 1))[0];
      return ansi == '?' ? fallback : ansi;
    }
  }
  return fallback;
}

void AppendLiteral(std::string& out, std::string_view text) {
  if (text.empty()) return;
  out += '"';
  out += text;
  out += '"';
}

// Rewrites an ICU date or time pattern in our specifiers. The locale's date
// and time separators become '/' and ':' so that changing the separators
// changes the output.
std::string FromIcuPattern(const icu::UnicodeString& pattern, char dateSeparator, char timeSeparator) {
  std::string out;
  std::string literal;
  auto flush = [&] {
    AppendLiteral(out, literal);
    literal.clear();
  };
  const int32_t n = pattern.length();
  for (int32_t i = 0; i < n;) {
    const char16_t c = pattern.charAt(i);
    if (c == u'\'') {
      // Quoted text; '' is a single quote.
      if (i + 1 < n && pattern.charAt(i + 1) == u'\'') {
        literal += '\'';
        i += 2;
        continue;
      }
      int32_t j = i + 1;
      while (j < n && pattern.charAt(j) != u'\'') ++j;
      literal += ToAnsi(pattern.tempSubString(i + 1, j - i - 1));
      i = j + 1;
      continue;
    }
    if (!IsPatternLetter(c)) {
      // Locales put narrow and no-break spaces between fields; code pages
      // without them show a plain blank.
      const char16_t unit = u_isUWhiteSpace(c) ? u' ' : c;
      const std::string ansi = ToAnsi(icu::UnicodeString(unit));
      if (ansi.size() == 1 && ansi[0] == dateSeparator) {
        flush();
        out += '/';
      } else if (ansi.size() == 1 && ansi[0] == timeSeparator) {
        flush();
        out += ':';
      } else {
        literal += ansi;
      }
      ++i;
      continue;
    }
    int32_t count = 1;
    while (i + count < n && pattern.charAt(i + count) == c) ++count;
    i += count;
    std::string field;
    switch (c) {
      case u'y':
      case u'Y':
      case u'u':
        field = "yyyy";  // four digits keep the century in text round trips
        break;
      case u'M':
      case u'L':
        field = std::string(static_cast<std::size_t>(count > 4 ? 4 : count), 'm');
        break;
      case u'd':
        field = count >= 2 ? "dd" : "d";
        break;
      case u'E':
      case u'c':
      case u'e':
        field = count >= 4 ? "dddd" : "ddd";
        break;
      case u'H':
      case u'h':
      case u'k':
      case u'K':
        field = count >= 2 ? "hh" : "h";
        break;
      case u'm':
        field = count >= 2 ? "nn" : "n";
        break;
      case u's':
        field = count >= 2 ? "ss" : "s";
        break;
      case u'S':
        field = "zzz";
        break;
      case u'a':
      case u'b':
      case u'B':
        field = "ampm";
        break;
      default:
        break;  // eras, zones, quarters: not part of our formats
    }
    if (field.empty()) continue;
    flush();
    out += field;
  }
  // Trailing blanks before a dropped field (a time zone) are noise.
  while (!literal.empty() && literal.back() == ' ') literal.pop_back();
  flush();
  return out;
}

icu::UnicodeString PatternOf(icu::DateFormat* format) {
  icu::UnicodeString pattern;
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format)) simple->toPattern(pattern);
  return pattern;
}

template <std::size_t N>
void CopyNames(std::array<std::string, N>& target, const icu::UnicodeString* names, int32_t count, int32_t first) {
  for (std::size_t i = 0; i < N; ++i) {
    const int32_t index = first + static_cast<int32_t>(i);
    if (names != nullptr && index < count) target[i] = ToAnsi(names[index]);
  }
}

// Where the currency sign stands in an ICU currency pattern: CurrencyFormat
// (0 "$1", 1 "1$", 2 "$ 1", 3 "1 $") and the NegCurrFormat that matches it
// ("-$1", "-1$", "-$ 1", "-1 $", or their bracketed forms).
void CurrencyPlacement(const icu::UnicodeString& pattern, TFormatSettings& s) {
  const int32_t semicolon = pattern.indexOf(u';');
  const icu::UnicodeString positive = semicolon < 0 ? pattern : pattern.tempSubString(0, semicolon);
  const bool bracketed = semicolon >= 0 && pattern.indexOf(u'(', semicolon) >= 0;
  const int32_t sign = positive.indexOf(u'\u00A4');
  int32_t firstDigit = -1, lastDigit = -1;
  for (int32_t i = 0; i < positive.length(); ++i) {
    const char16_t c = positive.charAt(i);
    if (c == u'#' || c == u'0') {
      if (firstDigit < 0) firstDigit = i;
      lastDigit = i;
    }
  }
  if (sign < 0 || firstDigit < 0) return;
  const bool prefix = sign < firstDigit;
  bool spaced = false;
  const int32_t from = prefix ? sign + 1 : lastDigit + 1;
  const int32_t to = prefix ? firstDigit : sign;
  for (int32_t i = from; i < to; ++i) spaced = spaced || u_isUWhiteSpace(positive.charAt(i));
  s.CurrencyFormat = static_cast<std::uint8_t>((prefix ? 0 : 1) + (spaced ? 2 : 0));
  static constexpr std::uint8_t kMinus[4] = {1, 5, 9, 8};
  static constexpr std::uint8_t kBrackets[4] = {0, 4, 14, 15};
  s.NegCurrFormat = (bracketed ? kBrackets : kMinus)[s.CurrencyFormat];
}

struct SharedSettings {
  std::uint32_t generation = 0;  // locale generation it was made for; 0 when set by the application
  TFormatSettings settings;
};

std::mutex gLock;
std::shared_ptr<const SharedSettings> gCurrent;  // guarded by gLock
std::shared_ptr<const SharedSettings> gApplication;  // guarded by gLock

}  // namespace

TFormatSettings DefaultFormatSettings() {
  TFormatSettings s;
  s.CurrencyString = "\xA4";
  s.ShortDateFormat = "mm/dd/yyyy";
  s.LongDateFormat = "dddd, dd mmmm yyyy";
  s.ShortTimeFormat = "hh:nn";
  s.LongTimeFormat = "hh:nn:ss";
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  s.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                      "July",    "August",   "September", "October", "November", "December"};
  s.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  s.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return s;
}

TFormatSettings FormatSettingsForLocale(const std::string& localeId) {
  if (localeId.empty()) return DefaultFormatSettings();
  TFormatSettings s = DefaultFormatSettings();
  const icu::Locale locale(localeId.c_str());
  UErrorCode status = U_ZERO_ERROR;
  const icu::DecimalFormatSymbols symbols(locale, status);
  if (U_SUCCESS(status)) {
    s.DecimalSeparator = SeparatorOf(symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol), '.');
    s.ThousandSeparator = SeparatorOf(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol), ',');
    if (s.ThousandSeparator == s.DecimalSeparator) s.ThousandSeparator = s.DecimalSeparator == '.' ? ',' : '.';
    const std::string currency = ToAnsi(symbols.getSymbol(icu::DecimalFormatSymbols::kCurrencySymbol));
    if (!currency.empty() && currency.find('?') == std::string::npos) s.CurrencyString = currency;
  }
  status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> currency(icu::NumberFormat::createCurrencyInstance(locale, status));
  if (U_SUCCESS(status) && currency) {
    if (auto* decimal = dynamic_cast<icu::DecimalFormat*>(currency.get())) {
      icu::UnicodeString pattern;
      decimal->toPattern(pattern);
      CurrencyPlacement(pattern, s);
    }
    s.CurrencyDecimals = static_cast<std::uint8_t>(currency->getMinimumFractionDigits());
  }
  std::unique_ptr<icu::DateFormat> shortDate(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  std::unique_ptr<icu::DateFormat> longDate(icu::DateFormat::createDateInstance(icu::DateFormat::kFull, locale));
  std::unique_ptr<icu::DateFormat> shortTime(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale));
  std::unique_ptr<icu::DateFormat> longTime(icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
  if (shortDate && longDate && shortTime && longTime) {
    const icu::UnicodeString shortDatePattern = PatternOf(shortDate.get());
    const icu::UnicodeString longTimePattern = PatternOf(longTime.get());
    s.DateSeparator = FirstSeparator(shortDatePattern, '/');
    s.TimeSeparator = FirstSeparator(longTimePattern, ':');
    s.ShortDateFormat = FromIcuPattern(shortDatePattern, s.DateSeparator, s.TimeSeparator);
    s.LongDateFormat = FromIcuPattern(PatternOf(longDate.get()), s.DateSeparator, s.TimeSeparator);
    s.ShortTimeFormat = FromIcuPattern(PatternOf(shortTime.get()), s.DateSeparator, s.TimeSeparator);
    s.LongTimeFormat = FromIcuPattern(longTimePattern, s.DateSeparator, s.TimeSeparator);
  }
  status = U_ZERO_ERROR;
  const icu::DateFormatSymbols names(locale, status);
  if (U_SUCCESS(status)) {
    int32_t count = 0;
    const icu::UnicodeString* list = names.getAmPmStrings(count);
    if (count >= 2) {
      s.TimeAMString = ToAnsi(list[0]);
      s.TimePMString = ToAnsi(list[1]);
    }
    list = names.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    CopyNames(s.LongMonthNames, list, count, 0);
    list = names.getMonths(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
    CopyNames(s.ShortMonthNames, list, count, 0);
    // ICU counts weekdays from index 1 (Sunday).
    list = names.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    CopyNames(s.LongDayNames, list, count, 1);
    list = names.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::ABBREVIATED);
    CopyNames(s.ShortDayNames, list, count, 1);
  }
  return s;
}

std::shared_ptr<const TFormatSettings> CurrentFormatSettings() {
  const std::uint32_t generation = LocaleGeneration();
  std::shared_ptr<const SharedSettings> current;
  {
    std::lock_guard<std::mutex> guard(gLock);
    if (gApplication) {
      current = gApplication;
    } else {
      if (!gCurrent || gCurrent->generation != generation) {
        auto fresh = std::make_shared<SharedSettings>();
        fresh->generation = generation;
        fresh->settings = FormatSettingsForLocale(UserLocale());
        gCurrent = std::move(fresh);
      }
      current = gCurrent;
    }
  }
  // Shares ownership of the record that holds the settings.
  return std::shared_ptr<const TFormatSettings>(current, &current->settings);
}

void SetFormatSettings(const TFormatSettings& settings) {
  auto fresh = std::make_shared<SharedSettings>();
  fresh->settings = settings;
  std::lock_guard<std::mutex> guard(gLock);
  gApplication = std::move(fresh);
}

void ResetFormatSettings() {
  std::lock_guard<std::mutex> guard(gLock);
  gApplication.reset();
}

}  // namespace platform
