#pragma once
// TVariant: the platform's self-describing value, exchanged with datasets
// and parameters. A value has one of the variant types below; integers keep
// their width and signedness, text is narrow ANSI (varString) or UTF-16
// (varOleStr), and a byte array is a one-dimensional array of varByte.
// Currency is held as a double with four decimals.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/rtl/date_time.h"

namespace platform {

using TVarType = std::uint16_t;
inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varUInt64 = 0x0015;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByteArray = varArray | varByte;

class TVariant {
 public:
  TVariant() = default;  // empty

  static TVariant Null();
  static TVariant Smallint(std::int16_t v) { return TVariant(varSmallint, static_cast<std::int64_t>(v)); }
  static TVariant Integer(std::int32_t v) { return TVariant(varInteger, static_cast<std::int64_t>(v)); }
  static TVariant ShortInt(std::int8_t v) { return TVariant(varShortInt, static_cast<std::int64_t>(v)); }
  static TVariant Byte(std::uint8_t v) { return TVariant(varByte, static_cast<std::int64_t>(v)); }
  static TVariant Word(std::uint16_t v) { return TVariant(varWord, static_cast<std::int64_t>(v)); }
  static TVariant LongWord(std::uint32_t v) { return TVariant(varLongWord, static_cast<std::int64_t>(v)); }
  static TVariant Int64(std::int64_t v) { return TVariant(varInt64, v); }
  static TVariant UInt64(std::uint64_t v) { return TVariant(varUInt64, v); }
  static TVariant Single(float v) { return TVariant(varSingle, static_cast<double>(v)); }
  static TVariant Double(double v) { return TVariant(varDouble, v); }
  static TVariant Currency(double v) { return TVariant(varCurrency, v); }
  static TVariant Date(TDateTime v) { return TVariant(varDate, v); }
  static TVariant Boolean(bool v) { return TVariant(varBoolean, v); }
  static TVariant String(std::string v) { return TVariant(varString, std::move(v)); }
  static TVariant OleStr(std::u16string v) { return TVariant(varOleStr, std::move(v)); }
  static TVariant ByteArray(std::vector<std::uint8_t> v) { return TVariant(varByteArray, std::move(v)); }

  TVarType VarType() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == varEmpty; }
  bool IsNull() const noexcept { return type_ == varNull; }

  // Typed reads. REQUIRES the matching kind: an integer type for AsInt64,
  // varUInt64 for AsUInt64, varSingle/varDouble/varCurrency/varDate for
  // AsDouble, varBoolean, varString, varOleStr, varByteArray. A read of
  // another kind raises EConvertError "Invalid variant type conversion".
  std::int64_t AsInt64() const;
  std::uint64_t AsUInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  const std::string& AsString() const;
  const std::u16string& AsOleStr() const;
  const std::vector<std::uint8_t>& AsByteArray() const;

  // The text form of any value (numbers and dates through the current
  // format settings); empty and null give "". A byte array raises
  // EConvertError "Invalid variant type conversion".
  std::string ToString() const;

  bool operator==(const TVariant& other) const = default;

 private:
  using Storage = std::variant<std::monostate, std::int64_t, std::uint64_t, double, bool, std::string,
                               std::u16string, std::vector<std::uint8_t>>;
  template <typename T>
  TVariant(TVarType type, T value) : type_(type), value_(std::move(value)) {}

  TVarType type_ = varEmpty;
  Storage value_;
};

}  // namespace platform
