#include "engine/access/value_convert.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "engine/storage/data_types.h"
#include "engine/storage/exception.h"
#include "platform/rtl/code_page.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/text_conversions.h"

namespace halvex {

static_assert(LDBL_MANT_DIG == 64, "extended values need the 80-bit long double");

long double LoadExtended(const std::uint8_t* data, std::int32_t size) noexcept {
  std::uint8_t bytes[sizeof(long double)] = {};
  if (data != nullptr && size > 0) std::memcpy(bytes, data, static_cast<std::size_t>(size < 10 ? size : 10));
  long double value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

void StoreExtended(long double value, std::uint8_t* target) noexcept { std::memcpy(target, &value, 10); }

std::int32_t NarrowTextLength(const std::uint8_t* data, std::int32_t size) noexcept {
  if (data == nullptr || size <= 0) return 0;
  const void* zero = std::memchr(data, 0, static_cast<std::size_t>(size));
  return zero == nullptr ? size : static_cast<std::int32_t>(static_cast<const std::uint8_t*>(zero) - data);
}

std::int32_t WideTextLength(const std::uint8_t* data, std::int32_t size) noexcept {
  if (data == nullptr || size <= 1) return 0;
  const std::int32_t units = size / 2;
  for (std::int32_t i = 0; i < units; ++i)
    if (data[2 * i] == 0 && data[2 * i + 1] == 0) return i;
  return units;
}

namespace {

enum class Kind { Text, Integer, Float, Date, Time, DateTime, Logical, Currency, Bytes };

// One stored value, decoded.
struct Source {
  Kind kind;
  std::uint8_t type;
  std::string narrow;  // text of a text source, in the ANSI code page
  std::int64_t integer = 0;
  long double real = 0;
  std::int32_t date = 0;
  std::int32_t time = 0;
  bool logical = false;
  const std::uint8_t* bytes = nullptr;
  std::int32_t size = 0;
  // Wide text source: UTF-16 units, read byte-wise (records may place them unaligned).
  const std::uint8_t* wide = nullptr;
  std::int32_t wideLength = 0;
};

[[noreturn]] void RaiseCast(std::int32_t code, std::uint8_t from, std::uint8_t to) {
  RaiseHalvex(code, THalvexMessage::CannotCast, {BaseTypeToTypeName(from), BaseTypeToTypeName(to)});
}

std::u16string WideOf(const Source& s) {
  std::u16string text(static_cast<std::size_t>(s.wideLength), u'\0');
  if (s.wideLength > 0) std::memcpy(text.data(), s.wide, static_cast<std::size_t>(s.wideLength) * 2);
  return text;
}

Source Decode(std::uint8_t type, const std::uint8_t* data, std::int32_t size) {
  Source s{};
  s.type = type;
  s.bytes = data;
  s.size = size;
  switch (type) {
    case hbtFixedChar:
    case hbtVarChar:
      s.kind = Kind::Text;
      s.narrow.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(NarrowTextLength(data, size)));
      break;
    case hbtBlob:
    case hbtTextBlob:
      s.kind = Kind::Text;
      if (size > 0) s.narrow.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
      break;
    case hbtFixedWideChar:
    case hbtVarWideChar:
    case hbtWideTextBlob:
      s.kind = Kind::Text;
      s.wide = data;
      s.wideLength = type == hbtWideTextBlob ? (size > 0 ? size / 2 : 0) : WideTextLength(data, size);
      break;
    case hbtInt8:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::int8_t>(data, size);
      break;
    case hbtInt16:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::int16_t>(data, size);
      break;
    case hbtInt32:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::int32_t>(data, size);
      break;
    case hbtInt64:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::int64_t>(data, size);
      break;
    case hbtUInt8:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::uint8_t>(data, size);
      break;
    case hbtUInt16:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::uint16_t>(data, size);
      break;
    case hbtUInt32:
      s.kind = Kind::Integer, s.integer = LoadScalar<std::uint32_t>(data, size);
      break;
    case hbtSingle:
      s.kind = Kind::Float, s.real = LoadScalar<float>(data, size);
      break;
    case hbtDouble:
      s.kind = Kind::Float, s.real = LoadScalar<double>(data, size);
      break;
    case hbtExtended:
      s.kind = Kind::Float, s.real = LoadExtended(data, size);
      break;
    case hbtDate:
      s.kind = Kind::Date, s.date = LoadScalar<std::int32_t>(data, size);
      break;
    case hbtTime:
      s.kind = Kind::Time, s.time = LoadScalar<std::int32_t>(data, size);
      break;
    case hbtDateTime:
      s.kind = Kind::DateTime;
      s.date = LoadScalar<std::int32_t>(data, size);
      s.time = size >= 8 ? LoadScalar<std::int32_t>(data + 4, size - 4) : 0;
      break;
    case hbtLogical:
      s.kind = Kind::Logical, s.logical = LoadScalar<std::int16_t>(data, size) != 0;
      break;
    case hbtCurrency:
      s.kind = Kind::Currency, s.real = LoadScalar<double>(data, size);
      break;
    case hbtBytes:
    case hbtVarBytes:
      s.kind = Kind::Bytes;
      break;
    default:
      RaiseCast(30052, type, type);
  }
  return s;
}

// --- writing results --------------------------------------------------------

template <typename T>
void Put(TValueBuffer& out, T value) {
  std::memcpy(out.Reserve(sizeof(T)), &value, sizeof(T));
}

void PutNarrow(TValueBuffer& out, std::string_view text, bool terminated) {
  const auto n = static_cast<std::int32_t>(text.size());
  std::uint8_t* target = out.Reserve(n + (terminated ? 1 : 0));
  if (n > 0) std::memcpy(target, text.data(), text.size());
  if (terminated) target[n] = 0;
}

void PutWide(TValueBuffer& out, std::u16string_view text, bool terminated) {
  const auto n = static_cast<std::int32_t>(text.size());
  std::uint8_t* target = out.Reserve((n + (terminated ? 1 : 0)) * 2);
  if (n > 0) std::memcpy(target, text.data(), text.size() * 2);
  if (terminated) target[2 * n] = target[2 * n + 1] = 0;
}

void PutText(TValueBuffer& out, std::uint8_t to, const Source& s, const std::string& narrow) {
  const bool wideTarget = IsWideBaseType(to);
  const bool terminated = to != hbtTextBlob && to != hbtWideTextBlob && to != hbtBlob;
  if (wideTarget) {
    if (s.wide != nullptr || s.wideLength > 0)
      PutWide(out, WideOf(s), terminated);
    else
      PutWide(out, platform::AnsiToWide(narrow), terminated);
  } else {
    if (s.kind == Kind::Text && s.narrow.empty() && s.wideLength > 0)
      PutNarrow(out, platform::WideToAnsi(WideOf(s)), terminated);
    else
      PutNarrow(out, narrow, terminated);
  }
}

std::string NarrowOf(const Source& s) {
  if (s.wideLength > 0) return platform::WideToAnsi(WideOf(s));
  return s.narrow;
}

// Text form of a non-text source.
std::string TextOf(const Source& s) {
  switch (s.kind) {
    case Kind::Text:
      return NarrowOf(s);
    case Kind::Integer:
      return std::to_string(s.integer);
    case Kind::Float:
      return platform::FloatToStr(s.real, s.type == hbtSingle ? 7 : 15, *platform::CurrentFormatSettings());
    case Kind::Currency:
      return platform::CurrToStr(static_cast<double>(s.real));
    case Kind::Date:
      if (s.date == kNoDate) return {};
      return platform::DateToStr(static_cast<double>(s.date) - platform::kDateDelta);
    case Kind::Time:
      return platform::TimeToStr(s.time / static_cast<double>(platform::kMSecsPerDay));
    case Kind::DateTime: {
      if (s.date == kNoDate) return s.time == kDateOnly ? std::string() : platform::TimeToStr(s.time / 86400000.0);
      const double day = static_cast<double>(s.date) - platform::kDateDelta;
      if (s.time == kDateOnly) return platform::DateToStr(day);
      return platform::DateTimeToStr(day + s.time / 86400000.0);
    }
    case Kind::Logical:
      return s.logical ? "True" : "False";
    case Kind::Bytes:
      break;
  }
  RaiseCast(30052, s.type, hbtVarChar);
}

void PutInteger(TValueBuffer& out, std::uint8_t to, std::int64_t v) {
  switch (to) {
    case hbtInt8:
      return Put(out, static_cast<std::int8_t>(v));
    case hbtInt16:
      return Put(out, static_cast<std::int16_t>(v));
    case hbtInt32:
      return Put(out, static_cast<std::int32_t>(v));
    case hbtInt64:
      return Put(out, v);
    case hbtUInt8:
      return Put(out, static_cast<std::uint8_t>(v));
    case hbtUInt16:
      return Put(out, static_cast<std::uint16_t>(v));
    default:
      return Put(out, static_cast<std::uint32_t>(v));
  }
}

bool FitsInteger(std::uint8_t to, long double v) {
  switch (to) {
    case hbtInt8:
      return v >= -128 && v <= 127;
    case hbtInt16:
      return v >= -32768 && v <= 32767;
    case hbtInt32:
      return v >= -2147483648.0L && v <= 2147483647.0L;
    case hbtInt64:
      return v >= -9223372036854775808.0L && v < 9223372036854775808.0L;
    case hbtUInt8:
      return v >= 0 && v <= 255;
    case hbtUInt16:
      return v >= 0 && v <= 65535;
    default:
      return v >= 0 && v <= 4294967295.0L;
  }
}

// A checked integer result (floats, currency, day numbers and times).
void PutCheckedInteger(TValueBuffer& out, const Source& s, std::uint8_t to, long double v) {
  if (!std::isfinite(v) || !FitsInteger(to, v)) RaiseCast(30051, s.type, to);
  PutInteger(out, to, static_cast<std::int64_t>(v));
}

void PutFloat(TValueBuffer& out, const Source& s, std::uint8_t to, long double v) {
  if (to == hbtSingle) {
    if (std::isfinite(v) && std::fabs(v) > FLT_MAX) RaiseCast(30051, s.type, to);
    return Put(out, static_cast<float>(v));
  }
  if (to == hbtExtended) {
    StoreExtended(v, out.Reserve(10));
    return;
  }
  if (std::isfinite(v) && std::fabs(v) > DBL_MAX) RaiseCast(30051, s.type, to);
  Put(out, static_cast<double>(v));  // double and currency
}

void PutDateTime(TValueBuffer& out, std::int32_t date, std::int32_t time) {
  std::uint8_t* target = out.Reserve(8);
  std::memcpy(target, &date, 4);
  std::memcpy(target + 4, &time, 4);
}

std::int32_t TimeOfDay(long double ms) {
  // Times are kept within one day.
  long double m = std::fmod(std::round(ms), static_cast<long double>(platform::kMSecsPerDay));
  if (m < 0) m += platform::kMSecsPerDay;
  return static_cast<std::int32_t>(m);
}

// Text to date, time or date-time in the current formats. An empty text is
// no date, the form a date without value has as text.
void TextToDateKind(TValueBuffer& out, const Source& s, std::uint8_t to) {
  const std::string text = NarrowOf(s);
  const bool blank = text.find_first_not_of(" \t") == std::string::npos;
  const auto settings = platform::CurrentFormatSettings();
  const platform::TFormatSettings& fs = *settings;
  platform::TDateTime value = 0;
  if (to == hbtDate) {
    if (blank) return Put(out, kNoDate);
    if (!platform::TryStrToDate(text, value, fs)) RaiseCast(30051, s.type, to);
    return Put(out, static_cast<std::int32_t>(std::trunc(value)) + platform::kDateDelta);
  }
  if (to == hbtTime) {
    if (!platform::TryStrToTime(text, value, fs)) RaiseCast(30051, s.type, to);
    return Put(out, TimeOfDay(std::fabs(value - std::trunc(value)) * platform::kMSecsPerDay));
  }
  if (blank) return PutDateTime(out, kNoDate, kDateOnly);
  if (!platform::TryStrToDateTime(text, value, fs)) RaiseCast(30051, s.type, to);
  const platform::TTimeStamp stamp = platform::DateTimeToTimeStamp(value);
  PutDateTime(out, stamp.Date, stamp.Time);
}

void FromText(TValueBuffer& out, const Source& s, std::uint8_t to) {
  if (IsIntegerBaseType(to)) {
    std::int64_t v = 0;
    const std::string text = NarrowOf(s);
    if (!platform::TryStrToInt64(text, v)) RaiseCast(30051, s.type, to);
    // Targets up to 32 bits read 32-bit text (unsigned 32-bit ones need 64).
    if (to != hbtInt64 && to != hbtUInt32 && (v < INT32_MIN || v > INT32_MAX)) RaiseCast(30051, s.type, to);
    if (to == hbtUInt32 && (v < INT32_MIN || v > UINT32_MAX)) RaiseCast(30051, s.type, to);
    return PutInteger(out, to, v);
  }
  if (IsFloatBaseType(to)) {
    long double v = 0;
    if (!platform::TryStrToFloat(NarrowOf(s), v, *platform::CurrentFormatSettings())) RaiseCast(30051, s.type, to);
    return PutFloat(out, s, to, v);
  }
  if (IsDateTimeBaseType(to)) return TextToDateKind(out, s, to);
  if (to == hbtLogical) {
    const std::string upper = platform::AnsiUpperCase(NarrowOf(s));
    return Put(out, static_cast<std::int16_t>(upper == "1" || upper == "TRUE" ? -1 : 0));
  }
  if (to == hbtCurrency) {
    const std::string text = NarrowOf(s);
    long double v = 0;
    if (!platform::TryStrToFloat(text, v, *platform::CurrentFormatSettings()) || std::fabs(v) > 922337203685477.5807L)
      RaiseCast(30051, s.type, to);
    return Put(out, static_cast<double>(std::round(v * 10000.0L) / 10000.0L));
  }
  if (to == hbtBlob) return PutNarrow(out, NarrowOf(s), false);
  RaiseCast(30052, s.type, to);
}

void FromNumber(TValueBuffer& out, const Source& s, std::uint8_t to) {
  const bool integer = s.kind == Kind::Integer;
  const long double real = integer ? static_cast<long double>(s.integer) : s.real;
  if (IsIntegerBaseType(to)) {
    if (integer) return PutInteger(out, to, s.integer);
    return PutCheckedInteger(out, s, to, std::trunc(real));
  }
  if (IsFloatBaseType(to) || to == hbtCurrency) return PutFloat(out, s, to, real);
  if (to == hbtLogical) return Put(out, static_cast<std::int16_t>(real != 0 ? -1 : 0));
  if (s.kind == Kind::Currency) RaiseCast(30052, s.type, to);
  if (to == hbtDate) {
    if (integer) return Put(out, static_cast<std::int32_t>(s.integer));
    if (!std::isfinite(real) || std::fabs(real) > 2147483647.0L) RaiseCast(30051, s.type, to);
    return Put(out, static_cast<std::int32_t>(std::trunc(real)));
  }
  if (to == hbtTime) {
    if (integer) return Put(out, static_cast<std::int32_t>(s.integer));
    if (!std::isfinite(real)) RaiseCast(30051, s.type, to);
    return Put(out, TimeOfDay(real));
  }
  if (to == hbtDateTime) {
    if (integer) return PutDateTime(out, static_cast<std::int32_t>(s.integer), kDateOnly);
    if (!std::isfinite(real) || std::fabs(real) > 2147483647.0L) RaiseCast(30051, s.type, to);
    const long double whole = std::trunc(real);
    std::int64_t date = static_cast<std::int64_t>(whole);
    std::int64_t ms = static_cast<std::int64_t>(std::llround(std::fabs(real - whole) * platform::kMSecsPerDay));
    if (ms >= platform::kMSecsPerDay) {
      ms -= platform::kMSecsPerDay;
      date += real < 0 ? -1 : 1;
    }
    if (date < INT32_MIN + 1 || date > INT32_MAX) RaiseCast(30051, s.type, to);
    return PutDateTime(out, static_cast<std::int32_t>(date), static_cast<std::int32_t>(ms));
  }
  RaiseCast(30052, s.type, to);
}

void FromDateKind(TValueBuffer& out, const Source& s, std::uint8_t to) {
  // The stored numbers: a date its day number, a time its milliseconds, a
  // date-time its date part.
  const std::int32_t number = s.kind == Kind::Time ? s.time : s.date;
  if (IsIntegerBaseType(to)) {
    if (to == hbtInt64 || to == hbtInt32) return PutInteger(out, to, number);
    return PutCheckedInteger(out, s, to, number);
  }
  if (IsFloatBaseType(to)) {
    if (s.kind == Kind::Time) return PutFloat(out, s, to, s.time);
    const long double day = s.date == kNoDate ? 0.0L : static_cast<long double>(s.date);
    if (s.kind == Kind::Date || s.time == kDateOnly) return PutFloat(out, s, to, day);
    return PutFloat(out, s, to, day + s.time / static_cast<long double>(platform::kMSecsPerDay));
  }
  switch (to) {
    case hbtDate:
      if (s.kind == Kind::Time) return Put(out, s.time);  // milliseconds read as a day number
      return Put(out, s.date);
    case hbtTime:
      if (s.kind == Kind::Date) return Put(out, s.date == kNoDate ? 0 : s.date % platform::kMSecsPerDay);
      // A date-only value has no time of day; midnight is its nearest time.
      return Put(out, s.time == kDateOnly ? 0 : s.time);
    case hbtDateTime:
      if (s.kind == Kind::Date) return PutDateTime(out, s.date, kDateOnly);
      if (s.kind == Kind::Time) return PutDateTime(out, kNoDate, s.time);
      return PutDateTime(out, s.date, s.time);
    default:
      RaiseCast(30052, s.type, to);
  }
}

void Convert(std::uint8_t from, const std::uint8_t* data, std::int32_t size, std::uint8_t to, TValueBuffer& out);

}  // namespace

void ConvertData(std::uint8_t from, const std::uint8_t* data, std::int32_t size, std::uint8_t to, TValueBuffer& out) {
  if (to < 1 || to > kBaseTypeCount || from < 1 || from > kBaseTypeCount) RaiseCast(30052, from, to);
  if (from == to) return out.Assign(data, size);
  try {
    Convert(from, data, size, to, out);
  } catch (const EHalvexException&) {
    throw;
  } catch (const platform::Exception&) {
    // Range and format failures of the platform inside a conversion.
    RaiseCast(30051, from, to);
  }
}

namespace {

void Convert(std::uint8_t from, const std::uint8_t* data, std::int32_t size, std::uint8_t to, TValueBuffer& out) {
  const Source s = Decode(from, data, size);
  if (s.kind == Kind::Bytes || to == hbtBytes || to == hbtVarBytes) {
    const bool bytesLike = s.kind == Kind::Bytes || from == hbtBlob;
    if (bytesLike && (to == hbtBytes || to == hbtVarBytes || to == hbtBlob)) return out.Assign(data, size);
    RaiseCast(30052, from, to);
  }
  if (IsTextBaseType(to) || (to == hbtBlob && s.kind == Kind::Text)) {
    if (s.kind == Kind::Text) return PutText(out, to, s, s.narrow);
    if (to == hbtBlob) RaiseCast(30052, from, to);
    return PutText(out, to, Source{}, TextOf(s));
  }
  if (to == hbtBlob) RaiseCast(30052, from, to);
  {
    switch (s.kind) {
      case Kind::Text:
        return FromText(out, s, to);
      case Kind::Integer:
      case Kind::Float:
      case Kind::Currency:
        return FromNumber(out, s, to);
      case Kind::Date:
      case Kind::Time:
      case Kind::DateTime:
        return FromDateKind(out, s, to);
      case Kind::Logical:
        if (to == hbtLogical) return Put(out, static_cast<std::int16_t>(s.logical ? -1 : 0));
        if (IsIntegerBaseType(to)) return PutInteger(out, to, s.logical ? -1 : 0);
        if (IsFloatBaseType(to)) return PutFloat(out, s, to, s.logical ? -1 : 0);
        RaiseCast(30052, from, to);
      case Kind::Bytes:
        break;
    }
  }
  RaiseCast(30052, from, to);
}

}  // namespace
}  // namespace halvex
