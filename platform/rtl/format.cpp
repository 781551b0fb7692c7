#include "platform/rtl/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/rtl/exception.h"

namespace platform {
namespace {

[[noreturn]] void RaiseInvalid(std::string_view specifier) {
  throw EConvertError("Format '" + std::string(specifier) + "' invalid or incompatible with argument");
}

[[noreturn]] void RaiseNoArgument(std::string_view specifier) {
  throw EConvertError("No argument for format '" + std::string(specifier) + "'");
}

void AppendPadded(std::string& out, std::string_view text, int width, bool left) {
  const int pad = width - static_cast<int>(text.size());
  if (pad > 0 && !left) out.append(static_cast<std::size_t>(pad), ' ');
  out.append(text);
  if (pad > 0 && left) out.append(static_cast<std::size_t>(pad), ' ');
}

// Digits of an unsigned magnitude in the given base, zero padded to minDigits.
std::string Digits(std::uint64_t value, int base, int minDigits) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, base);
  (void)ec;  // 32 bytes hold any 64-bit value in base 10 or 16
  std::string text(buf, end);
  if (base == 16)
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  if (static_cast<int>(text.size()) < minDigits)
    text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
  return text;
}

std::string NonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

void ReplaceDot(std::string& text, char decimalSeparator) {
  if (decimalSeparator == '.') return;
  for (char& c : text)
    if (c == '.') c = decimalSeparator;
}

std::string FormatFixed(double v, int precision, char sep) {
  if (!std::isfinite(v)) return NonFinite(v);
  if (precision > 18) precision = 18;
  char buf[512];
  // Values of any magnitude fit: the largest double has 309 integer digits.
  std::snprintf(buf, sizeof buf, "%.*f", precision, v);
  std::string text(buf);
  ReplaceDot(text, sep);
  return text;
}

// Mantissa with `significant` digits and an exponent of at least minExpDigits
// digits; the sign of the exponent is always written when forceSign is set.
std::string FormatScientific(double v, int significant, int minExpDigits, bool forceSign, char sep) {
  if (!std::isfinite(v)) return NonFinite(v);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*E", significant - 1, v);
  std::string text(buf);
  const std::size_t e = text.find('E');
  std::string mantissa = text.substr(0, e);
  int exponent = std::atoi(text.c_str() + e + 1);
  ReplaceDot(mantissa, sep);
  std::string exp = Digits(static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent), 10, minExpDigits);
  if (exponent < 0)
    exp.insert(0, 1, '-');
  else if (forceSign)
    exp.insert(0, 1, '+');
  return mantissa + "E" + exp;
}

void TrimFractionZeros(std::string& text) {
  const std::size_t dot = text.find_first_of(".,");
  if (dot == std::string::npos) return;
  std::size_t end = text.size();
  while (end > dot + 1 && text[end - 1] == '0') --end;
  if (end == dot + 1) --end;
  text.erase(end);
}

std::string FormatGeneral(double v, int precision, char sep) {
  if (!std::isfinite(v)) return NonFinite(v);
  if (precision > 18) precision = 18;
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*E", precision - 1, v);
  const int exponent = std::atoi(std::strchr(buf, 'E') + 1);
  if (exponent >= -5 && exponent < precision) {
    std::string text = FormatFixed(v, std::max(0, precision - 1 - exponent), '.');
    TrimFractionZeros(text);
    ReplaceDot(text, sep);
    return text;
  }
  std::string text = FormatScientific(v, precision, 0, false, '.');
  const std::size_t e = text.find('E');
  std::string mantissa = text.substr(0, e);
  TrimFractionZeros(mantissa);
  ReplaceDot(mantissa, sep);
  return mantissa + text.substr(e);
}

class Composer {
 public:
  Composer(std::string_view format, std::span<const TVarRec> args, char sep)
      : format_(format), args_(args), sep_(sep) {}

  std::string Run() {
    std::string out;
    out.reserve(format_.size() + 16 * args_.size());
    std::size_t i = 0;
    while (i < format_.size()) {
      const std::size_t pct = format_.find('%', i);
      if (pct == std::string_view::npos) {
        out.append(format_.substr(i));
        break;
      }
      out.append(format_.substr(i, pct - i));
      i = Specifier(pct, out);
    }
    return out;
  }

 private:
  // Reads a number or '*' at pos; returns -1 when there is none.
  int Number(std::size_t& pos, std::string_view specifier) {
    if (pos < format_.size() && format_[pos] == '*') {
      ++pos;
      const TVarRec& arg = Next(specifier);
      if (!arg.IsInteger()) RaiseInvalid(specifier);
      const std::int64_t v = arg.AsInt();
      return v < 0 ? 0 : (v > 100000 ? 100000 : static_cast<int>(v));
    }
    if (pos >= format_.size() || format_[pos] < '0' || format_[pos] > '9') return -1;
    int value = 0;
    while (pos < format_.size() && format_[pos] >= '0' && format_[pos] <= '9') {
      // Widths beyond any sensible text are clamped rather than overflowing.
      if (value < 100000) value = value * 10 + (format_[pos] - '0');
      ++pos;
    }
    return value > 100000 ? 100000 : value;
  }

  const TVarRec& Next(std::string_view specifier) {
    if (next_ >= args_.size()) RaiseNoArgument(specifier);
    return args_[next_++];
  }

  std::size_t Specifier(std::size_t start, std::string& out) {
    std::size_t pos = start + 1;
    // The text of the specifier for messages: up to and including the type.
    auto specText = [&](std::size_t end) {
      return format_.substr(start, std::min(end, format_.size()) - start);
    };
    if (pos < format_.size() && format_[pos] == '%') {
      out.push_back('%');
      return pos + 1;
    }
    std::size_t typeAt = pos;
    while (typeAt < format_.size() && std::strchr("0123456789:-.*", format_[typeAt]) != nullptr) ++typeAt;
    const std::string_view specifier = specText(typeAt + 1);
    if (typeAt >= format_.size()) RaiseInvalid(specifier);

    int first = Number(pos, specifier);
    if (pos < format_.size() && format_[pos] == ':') {
      if (first < 0) RaiseInvalid(specifier);
      next_ = static_cast<std::size_t>(first);
      ++pos;
      first = -1;
    }
    bool left = false;
    if (first < 0 && pos < format_.size() && format_[pos] == '-') {
      left = true;
      ++pos;
    }
    int width = first >= 0 ? first : Number(pos, specifier);
    int precision = -1;
    if (pos < format_.size() && format_[pos] == '.') {
      ++pos;
      precision = Number(pos, specifier);
      if (precision < 0) precision = 0;
    }
    if (pos != typeAt) RaiseInvalid(specifier);
    const char type = static_cast<char>(format_[typeAt] | 0x20);  // types are case-insensitive
    const TVarRec& arg = Next(specifier);
    AppendPadded(out, Convert(type, arg, precision, specifier), width, left);
    return typeAt + 1;
  }

  std::string Convert(char type, const TVarRec& arg, int precision, std::string_view specifier) {
    using K = TVarRec::Kind;
    switch (type) {
      case 'd': {
        if (!arg.IsInteger()) RaiseInvalid(specifier);
        if (arg.kind() == K::UInt64) return Digits(arg.AsUInt(), 10, precision);
        const std::int64_t v = arg.AsInt();
        const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        std::string text = Digits(magnitude, 10, precision);
        if (v < 0) text.insert(0, 1, '-');
        return text;
      }
      case 'u':
      case 'x': {
        if (!arg.IsInteger()) RaiseInvalid(specifier);
        std::uint64_t v = arg.AsUInt();
        // A negative 32-bit value prints as its 32-bit two's-complement pattern.
        if (arg.kind() == K::Integer) v = static_cast<std::uint32_t>(arg.AsInt());
        return Digits(v, type == 'u' ? 10 : 16, precision);
      }
      case 'f':
        if (arg.kind() != K::Float) RaiseInvalid(specifier);
        return FormatFixed(arg.AsFloat(), precision < 0 ? 2 : precision, sep_);
      case 'e': {
        if (arg.kind() != K::Float) RaiseInvalid(specifier);
        int p = precision < 0 ? 15 : precision;
        p = p < 1 ? 1 : (p > 18 ? 18 : p);
        return FormatScientific(arg.AsFloat(), p, 3, true, sep_);
      }
      case 'g': {
        if (arg.kind() != K::Float) RaiseInvalid(specifier);
        int p = precision < 0 ? 15 : precision;
        p = p < 1 ? 1 : p;
        return FormatGeneral(arg.AsFloat(), p, sep_);
      }
      case 's': {
        std::string_view text;
        if (arg.kind() == K::String)
          text = arg.AsText();
        else if (arg.kind() == K::Char)
          text = std::string_view(&arg.AsChar(), 1);
        else
          RaiseInvalid(specifier);
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) text = text.substr(0, precision);
        return std::string(text);
      }
      default:
        RaiseInvalid(specifier);
    }
  }

  std::string_view format_;
  std::span<const TVarRec> args_;
  char sep_;
  std::size_t next_ = 0;
};

}  // namespace

std::string Format(std::string_view format, std::span<const TVarRec> args, char decimalSeparator) {
  return Composer(format, args, decimalSeparator).Run();
}

}  // namespace platform
