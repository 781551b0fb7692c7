#pragma once
// Format: printf-like composition of messages from a format string and a list
// of typed arguments, with the runtime's strict argument checking.
//
// Specifier: '%' [index ':'] ['-'] [width] ['.' precision] type
//   index, width and precision are decimal numbers or '*' (taken from the next
//   integer argument); '-' left-justifies within width; "%%" is a literal '%'.
//   d  signed decimal; precision is the minimum number of digits (zero padded)
//   u  unsigned decimal (negative 32-bit values read as their 32-bit pattern)
//   x  upper-case hexadecimal; precision as for d
//   f  fixed point, precision digits after the separator (default 2)
//   e  scientific "d.ddd...E+ddd", precision significant digits (default 15)
//   g  shortest of fixed and scientific, precision significant digits (default 15)
//   s  text (or a single character); precision is the maximum length
// An argument of the wrong kind for its specifier, a missing argument or an
// unknown specifier raises EConvertError; nothing is converted implicitly.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

// One argument of Format. Holds its value by copy, text by view: the argument
// list lives only for the duration of the call, so no allocation is needed.
class TVarRec {
 public:
  enum class Kind : std::uint8_t { Integer, Int64, UInt64, Float, String, Char, Boolean, Pointer };

  TVarRec(bool v) : kind_(Kind::Boolean) { u_.i = v ? 1 : 0; }
  TVarRec(char v) : kind_(Kind::Char) { u_.c = v; }
  TVarRec(double v) : kind_(Kind::Float) { u_.f = v; }
  TVarRec(float v) : kind_(Kind::Float) { u_.f = v; }
  TVarRec(long double v) : kind_(Kind::Float) { u_.f = static_cast<double>(v); }
  TVarRec(const char* v) : kind_(Kind::String) { SetText(v ? std::string_view(v) : std::string_view()); }
  TVarRec(std::string_view v) : kind_(Kind::String) { SetText(v); }
  TVarRec(const std::string& v) : kind_(Kind::String) { SetText(v); }
  TVarRec(const void* v) : kind_(Kind::Pointer) { u_.p = v; }

  // Every integer type: up to 32 bits signed it is an Integer, wider signed
  // values are Int64, unsigned values above the 32-bit signed range are kept
  // unsigned so that %u and %x print them unchanged.
  template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
  TVarRec(T v) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = sizeof(T) <= 4 ? Kind::Integer : Kind::Int64;
      u_.i = static_cast<std::int64_t>(v);
    } else if constexpr (sizeof(T) < 4) {
      kind_ = Kind::Integer;
      u_.i = static_cast<std::int64_t>(v);
    } else {
      kind_ = sizeof(T) == 4 ? Kind::Int64 : Kind::UInt64;
      u_.u = static_cast<std::uint64_t>(v);
    }
  }

  Kind kind() const noexcept { return kind_; }
  std::int64_t AsInt() const noexcept { return u_.i; }
  std::uint64_t AsUInt() const noexcept { return u_.u; }
  double AsFloat() const noexcept { return u_.f; }
  const char& AsChar() const noexcept { return u_.c; }
  const void* AsPointer() const noexcept { return u_.p; }
  std::string_view AsText() const noexcept { return {text_, textLength_}; }
  bool IsInteger() const noexcept { return kind_ == Kind::Integer || kind_ == Kind::Int64 || kind_ == Kind::UInt64; }

 private:
  void SetText(std::string_view v) {
    text_ = v.data();
    textLength_ = v.size();
  }

  Kind kind_;
  union {
    std::int64_t i;
    std::uint64_t u;
    double f;
    char c;
    const void* p;
  } u_{};
  const char* text_ = nullptr;
  std::size_t textLength_ = 0;
};

// REQUIRES: nothing. Returns the composed text; raises EConvertError as above.
// decimalSeparator is the character written between the integer and the
// fractional digits of f, e and g.
std::string Format(std::string_view format, std::span<const TVarRec> args, char decimalSeparator = '.');
inline std::string Format(std::string_view format, std::initializer_list<TVarRec> args,
                          char decimalSeparator = '.') {
  return Format(format, std::span<const TVarRec>(args.begin(), args.size()), decimalSeparator);
}

}  // namespace platform
