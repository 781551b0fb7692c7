// The operators of THalvexVariant. Each works in place on the left value;
// the right value is read, never changed. Binary operators first bring both
// operands to their common type (the left one through CastTo).
//
// Range rules: 8- and 16-bit integer results (signed or unsigned) outside
// their type raise the platform's range error; 32- and 64-bit additions and
// multiplications wrap. Times stay within one day; a date-time carries whole
// days out of its time part.

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/access/value_convert.h"
#include "engine/access/variant.h"
#include "engine/storage/data_types.h"
#include "engine/storage/exception.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/random.h"

namespace halvex {
namespace {

constexpr std::int64_t kDay = 86400000;

[[noreturn]] void RaiseRange() { throw platform::ERangeError("Range check error"); }
[[noreturn]] void RaiseOverflow() { throw platform::EIntOverflow("Integer overflow"); }
[[noreturn]] void RaiseZeroDivide() { throw platform::EZeroDivide("Division by zero"); }

[[noreturn]] void RaiseNotNumeric(std::int32_t code, const char* op) {
  RaiseHalvex(code, THalvexMessage::NotNumericArgument, {op});
}

std::int64_t LoadInteger(std::uint8_t type, const std::uint8_t* p, std::int32_t size) noexcept {
  switch (type) {
    case hbtInt8:
      return LoadScalar<std::int8_t>(p, size);
    case hbtInt16:
      return LoadScalar<std::int16_t>(p, size);
    case hbtInt32:
      return LoadScalar<std::int32_t>(p, size);
    case hbtUInt8:
      return LoadScalar<std::uint8_t>(p, size);
    case hbtUInt16:
      return LoadScalar<std::uint16_t>(p, size);
    case hbtUInt32:
      return LoadScalar<std::uint32_t>(p, size);
    default:
      return LoadScalar<std::int64_t>(p, size);
  }
}

long double LoadReal(std::uint8_t type, const std::uint8_t* p, std::int32_t size) noexcept {
  switch (type) {
    case hbtSingle:
      return LoadScalar<float>(p, size);
    case hbtExtended:
      return LoadExtended(p, size);
    default:
      return LoadScalar<double>(p, size);
  }
}

bool IsSmallInteger(std::uint8_t t) noexcept { return t == hbtInt8 || t == hbtInt16 || t == hbtUInt8 || t == hbtUInt16; }

// An integer result in the type's bytes: 8/16-bit range-checked, wider wrapped.
int StoreInteger(std::uint8_t type, std::int64_t v, std::uint8_t* out) {
  switch (type) {
    case hbtInt8:
      if (v < INT8_MIN || v > INT8_MAX) RaiseRange();
      out[0] = static_cast<std::uint8_t>(v);
      return 1;
    case hbtUInt8:
      if (v < 0 || v > UINT8_MAX) RaiseRange();
      out[0] = static_cast<std::uint8_t>(v);
      return 1;
    case hbtInt16: {
      if (v < INT16_MIN || v > INT16_MAX) RaiseRange();
      const auto x = static_cast<std::int16_t>(v);
      std::memcpy(out, &x, 2);
      return 2;
    }
    case hbtUInt16: {
      if (v < 0 || v > UINT16_MAX) RaiseRange();
      const auto x = static_cast<std::uint16_t>(v);
      std::memcpy(out, &x, 2);
      return 2;
    }
    case hbtInt32:
    case hbtUInt32: {
      const auto x = static_cast<std::uint32_t>(static_cast<std::uint64_t>(v));
      std::memcpy(out, &x, 4);
      return 4;
    }
    default:
      std::memcpy(out, &v, 8);
      return 8;
  }
}

int StoreReal(std::uint8_t type, long double v, std::uint8_t* out) {
  if (type == hbtSingle) {
    const auto x = static_cast<float>(v);
    std::memcpy(out, &x, 4);
    return 4;
  }
  if (type == hbtExtended) {
    StoreExtended(v, out);
    return 10;
  }
  const auto x = static_cast<double>(v);
  std::memcpy(out, &x, 8);
  return 8;
}

enum class Op { Add, Multiply, Divide };

std::int64_t Wrap64(Op op, std::int64_t a, std::int64_t b) {
  const auto ua = static_cast<std::uint64_t>(a), ub = static_cast<std::uint64_t>(b);
  switch (op) {
    case Op::Add:
      return static_cast<std::int64_t>(ua + ub);
    case Op::Multiply:
      return static_cast<std::int64_t>(ua * ub);
    case Op::Divide:
      if (b == 0) RaiseZeroDivide();
      if (a == INT64_MIN && b == -1) RaiseOverflow();
      return a / b;
  }
  return 0;
}

long double RealOp(Op op, long double a, long double b) {
  switch (op) {
    case Op::Add:
      return a + b;
    case Op::Multiply:
      return a * b;
    case Op::Divide:
      if (b == 0) {
        if (a == 0 || std::isnan(a)) throw platform::Exception("Invalid floating point operation");
        throw platform::EZeroDivide("Floating point division by zero");
      }
      return a / b;
  }
  return 0;
}

std::int32_t DayTime(std::int64_t ms) noexcept {
  std::int64_t m = ms % kDay;
  if (m < 0) m += kDay;
  return static_cast<std::int32_t>(m);
}

void CarryDays(std::int64_t& date, std::int64_t& time) noexcept {
  std::int64_t days = time / kDay;
  time %= kDay;
  if (time < 0) {
    time += kDay;
    --days;
  }
  date += days;
}

std::int32_t CheckedInt32(std::int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) RaiseRange();
  return static_cast<std::int32_t>(v);
}

}  // namespace

// Shared body of Add, Multiply and Divide once nulls and text are handled.
static void ArithmeticInCommonType(THalvexVariant& left, const THalvexVariant& right, Op op, std::int32_t code,
                                   const char* opText) {
  const std::uint8_t common = CommonBaseType(left.DataType(), right.DataType());
  const bool supported = IsNumericBaseType(common) || IsDateTimeBaseType(common) || common == hbtLogical;
  if (!supported) RaiseNotNumeric(code, opText);
  TValueBuffer r;
  ConvertData(right.DataType(), right.Data(), right.DataSize(), common, r);
  left.CastTo(common);
  const std::uint8_t* a = left.Data();
  const std::uint8_t* b = r.Data();
  std::uint8_t out[10];
  int size = 0;
  if (IsIntegerBaseType(common)) {
    const std::int64_t x = LoadInteger(common, a, left.DataSize());
    const std::int64_t y = LoadInteger(common, b, r.Size());
    std::int64_t v = Wrap64(op, x, y);
    if (op == Op::Divide && common == hbtInt32 && x == INT32_MIN && y == -1) RaiseOverflow();
    size = StoreInteger(common, v, out);
  } else if (IsFloatBaseType(common) || common == hbtCurrency) {
    size = StoreReal(common, RealOp(op, LoadReal(common, a, left.DataSize()), LoadReal(common, b, r.Size())), out);
  } else if (common == hbtDate) {
    const std::int64_t v = Wrap64(op, LoadScalar<std::int32_t>(a, left.DataSize()), LoadScalar<std::int32_t>(b, r.Size()));
    const std::int32_t x = CheckedInt32(v);
    std::memcpy(out, &x, 4);
    size = 4;
  } else if (common == hbtTime) {
    const std::int32_t x =
        DayTime(Wrap64(op, LoadScalar<std::int32_t>(a, left.DataSize()), LoadScalar<std::int32_t>(b, r.Size())));
    std::memcpy(out, &x, 4);
    size = 4;
  } else if (common == hbtDateTime) {
    const std::int32_t ad = LoadScalar<std::int32_t>(a, left.DataSize());
    const std::int32_t at = left.DataSize() >= 8 ? LoadScalar<std::int32_t>(a + 4, 4) : 0;
    const std::int32_t bd = LoadScalar<std::int32_t>(b, r.Size());
    const std::int32_t bt = r.Size() >= 8 ? LoadScalar<std::int32_t>(b + 4, 4) : 0;
    // A date without time counts as midnight, unless both operands lack a time.
    const bool dateOnly = at == kDateOnly && bt == kDateOnly;
    std::int64_t date = Wrap64(op, ad == kNoDate ? 0 : ad, bd == kNoDate ? 0 : bd);
    std::int64_t time = dateOnly ? kDateOnly : Wrap64(op, at == kDateOnly ? 0 : at, bt == kDateOnly ? 0 : bt);
    if (!dateOnly) CarryDays(date, time);
    const std::int32_t d = CheckedInt32(date);
    const auto t = static_cast<std::int32_t>(time);
    std::memcpy(out, &d, 4);
    std::memcpy(out + 4, &t, 4);
    size = 8;
  } else {  // logical
    const bool v = LoadScalar<std::int16_t>(a, left.DataSize()) != 0 || LoadScalar<std::int16_t>(b, r.Size()) != 0;
    const std::int16_t x = v ? -1 : 0;
    std::memcpy(out, &x, 2);
    size = 2;
  }
  left.SetData(out, size, true, 1, common);
}

void THalvexVariant::Add(const THalvexVariant& right) {
  if (IsText() || right.IsText()) {
    const bool wide = IsWideText() || right.IsWideText();
    std::uint8_t type = wide ? hbtVarWideChar : hbtVarChar;
    if (IsText() && IsWideText() == wide) type = dataType_;  // the left text keeps its kind
    if (wide) {
      std::u16string text = IsNull() ? std::u16string() : AsWideString();
      if (!right.IsNull()) text += right.AsWideString();
      Clear(type);
      SetAsWideString(text);
    } else {
      std::string text = IsNull() ? std::string() : AsString();
      if (!right.IsNull()) text += right.AsString();
      Clear(type);
      SetAsString(text);
    }
    return;
  }
  if (right.IsNull()) {
    Clear(dataType_);
    return;
  }
  if (IsNull()) {
    Assign(right, 1);
    return;
  }
  ArithmeticInCommonType(*this, right, Op::Add, 30124, "+");
}

void THalvexVariant::Multiply(const THalvexVariant& right) {
  if (right.IsNull()) {
    Clear(dataType_);
    return;
  }
  if (IsNull()) return;
  ArithmeticInCommonType(*this, right, Op::Multiply, 30126, "*");
}

void THalvexVariant::Divide(const THalvexVariant& right) {
  if (right.IsNull()) {
    Clear(dataType_);
    return;
  }
  if (IsNull()) return;
  WrapForeignFailure(30128, THalvexMessage::DivisionError,
                     [&] { ArithmeticInCommonType(*this, right, Op::Divide, 30127, "/"); });
}

void THalvexVariant::Negate() {
  if (IsNull()) return;
  std::uint8_t out[10];
  int size = 0;
  std::uint8_t type = dataType_;
  if (IsIntegerBaseType(dataType_)) {
    const std::int64_t v = LoadInteger(dataType_, data_, dataSize_);
    // Unsigned values become the signed type of their width.
    if (dataType_ == hbtUInt8) type = hbtInt8;
    if (dataType_ == hbtUInt16) type = hbtInt16;
    if (dataType_ == hbtUInt32) type = hbtInt32;
    if ((dataType_ == hbtInt32 && v == INT32_MIN) || (dataType_ == hbtInt64 && v == INT64_MIN)) RaiseOverflow();
    if (type == hbtInt32 && -v < INT32_MIN) RaiseRange();
    size = StoreInteger(type, -v, out);
  } else if (IsFloatBaseType(dataType_) || dataType_ == hbtCurrency) {
    size = StoreReal(dataType_, -LoadReal(dataType_, data_, dataSize_), out);
  } else if (dataType_ == hbtDate) {
    const std::int32_t v = LoadScalar<std::int32_t>(data_, dataSize_);
    if (v == INT32_MIN) RaiseOverflow();
    const std::int32_t x = -v;
    std::memcpy(out, &x, 4);
    size = 4;
  } else if (dataType_ == hbtTime) {
    const std::int32_t x = DayTime(kDay - LoadScalar<std::int32_t>(data_, dataSize_));
    std::memcpy(out, &x, 4);
    size = 4;
  } else if (dataType_ == hbtDateTime) {
    const std::int32_t d = LoadScalar<std::int32_t>(data_, dataSize_);
    const std::int32_t t = dataSize_ >= 8 ? LoadScalar<std::int32_t>(data_ + 4, 4) : 0;
    if (d == INT32_MIN || t == INT32_MIN) RaiseOverflow();
    const std::int32_t nd = -d, nt = t == kDateOnly ? kDateOnly : -t;
    std::memcpy(out, &nd, 4);
    std::memcpy(out + 4, &nt, 4);
    size = 8;
  } else if (dataType_ == hbtLogical) {
    const std::int16_t x = LoadScalar<std::int16_t>(data_, dataSize_) != 0 ? 0 : -1;
    std::memcpy(out, &x, 2);
    size = 2;
  } else {
    RaiseHalvex(30123, THalvexMessage::CannotInvert, {BaseTypeToTypeName(dataType_)});
  }
  SetData(out, size, true, 1, type);
}

void THalvexVariant::Abs() {
  if (IsNull()) return;
  std::uint8_t out[10];
  int size = 0;
  if (dataType_ == hbtUInt8 || dataType_ == hbtUInt16 || dataType_ == hbtUInt32) return;
  if (IsIntegerBaseType(dataType_)) {
    const std::int64_t v = LoadInteger(dataType_, data_, dataSize_);
    const bool minimum = (dataType_ == hbtInt8 && v == INT8_MIN) || (dataType_ == hbtInt16 && v == INT16_MIN) ||
                         (dataType_ == hbtInt32 && v == INT32_MIN) || (dataType_ == hbtInt64 && v == INT64_MIN);
    if (minimum) RaiseOverflow();
    size = StoreInteger(dataType_, v < 0 ? -v : v, out);
  } else if (IsFloatBaseType(dataType_) || dataType_ == hbtCurrency) {
    size = StoreReal(dataType_, std::fabs(LoadReal(dataType_, data_, dataSize_)), out);
  } else {
    RaiseNotNumeric(11651, "ABS");
  }
  SetData(out, size, true, 1, dataType_);
}

static void CeilOrFloor(THalvexVariant& v, bool ceil) {
  if (v.IsNull() || !v.IsNumeric()) {
    v.Clear(hbtInt32);
    return;
  }
  if (v.IsInteger()) {
    v.CastTo(hbtInt32);
    return;
  }
  const long double x = ceil ? std::ceil(v.AsExtended()) : std::floor(v.AsExtended());
  if (!(x >= INT32_MIN && x <= INT32_MAX)) RaiseRange();
  const auto result = static_cast<std::int32_t>(x);
  v.SetData(&result, 4, true, 1, hbtInt32);
}

void THalvexVariant::Ceil() { CeilOrFloor(*this, true); }
void THalvexVariant::Floor() { CeilOrFloor(*this, false); }

void THalvexVariant::Mod(const THalvexVariant& right) {
  if (IsNull() || right.IsNull() || !IsNumeric() || !right.IsNumeric()) {
    Clear(hbtInt64);
    return;
  }
  const std::int64_t a = AsInt64();
  const std::int64_t b = right.AsInt64();
  if (b == 0) RaiseZeroDivide();
  const std::int64_t result = b == -1 ? 0 : a % b;  // INT64_MIN % -1 would trap
  SetData(&result, 8, true, 1, hbtInt64);
}

void THalvexVariant::Power(const THalvexVariant& right) {
  if (IsNull() || right.IsNull() || !IsNumeric() || !right.IsNumeric()) {
    Clear(hbtInt64);
    return;
  }
  if (IsInteger() && right.IsInteger()) {
    const float x = std::pow(static_cast<float>(AsInt64()), static_cast<float>(right.AsInt64()));
    const float t = std::trunc(x);
    if (!(t >= -9223372036854775808.0f && t < 9223372036854775808.0f)) RaiseRange();
    const auto result = static_cast<std::int64_t>(t);
    SetData(&result, 8, true, 1, hbtInt64);
    return;
  }
  const long double result = std::pow(AsExtended(), right.AsExtended());
  Clear(hbtExtended);
  SetAsExtended(result);
}

void THalvexVariant::Random(const THalvexVariant* right) {
  if (IsNull() || right == nullptr || right->IsNull()) {
    Clear(hbtExtended);
    SetAsExtended(platform::RandomFloat());
    return;
  }
  const std::int32_t n = right->AsInt32();
  const std::int32_t result = platform::Random(n);
  SetData(&result, 4, true, 1, hbtInt32);
}

// The argument n of ROUND and TRUNC: a 64-bit integer that must fit 32 bits.
static std::int32_t DigitsArgument(const THalvexVariant& right) {
  const std::int64_t n = right.AsInt64();
  if (n < INT32_MIN || n > INT32_MAX) RaiseRange();
  return static_cast<std::int32_t>(n);
}

// ROUND and TRUNC share their shape: without an argument the value becomes a
// 64-bit integer made by `whole`; with n it stays extended, made by `scaled`
// from the value and 10^n. Null values stay null in the result's type.
template <typename Whole, typename Scaled>
static void RoundLike(THalvexVariant& v, const THalvexVariant* right, Whole whole, Scaled scaled) {
  if (v.IsNull()) {
    v.Clear(right == nullptr ? hbtInt64 : hbtExtended);
    return;
  }
  if (right == nullptr) {
    const long double x = whole(v.AsExtended());
    if (!(x >= -9223372036854775808.0L && x < 9223372036854775808.0L)) RaiseRange();
    const auto result = static_cast<std::int64_t>(x);
    v.SetData(&result, 8, true, 1, hbtInt64);
    return;
  }
  if (right->IsNull()) {
    v.Clear(hbtExtended);
    return;
  }
  const long double x = v.AsExtended();
  const long double scale = std::pow(10.0L, static_cast<long double>(DigitsArgument(*right)));
  const long double result = scaled(x, scale);
  v.Clear(hbtExtended);
  v.SetAsExtended(result);
}

void THalvexVariant::Round(const THalvexVariant* right) {
  RoundLike(
      *this, right, [](long double x) { return std::nearbyint(x); },  // default rounding: halves to even
      [](long double x, long double scale) { return std::trunc((x + 0.5L / scale) * scale) / scale; });
}

void THalvexVariant::Trunc(const THalvexVariant* right) {
  RoundLike(
      *this, right, [](long double x) { return std::trunc(x); },
      [](long double x, long double scale) { return std::trunc(x * scale) / scale; });
}

void THalvexVariant::Sign() {
  if (IsNull()) return;
  std::uint8_t out[10];
  int size = 0;
  if (IsIntegerBaseType(dataType_)) {
    const std::int64_t v = LoadInteger(dataType_, data_, dataSize_);
    size = StoreInteger(dataType_, v > 0 ? 1 : v < 0 ? -1 : 0, out);
  } else if (IsFloatBaseType(dataType_) || dataType_ == hbtCurrency) {
    const long double v = LoadReal(dataType_, data_, dataSize_);
    size = StoreReal(dataType_, v > 0 ? 1 : v < 0 ? -1 : 0, out);
  } else {
    RaiseNotNumeric(11652, "SIGN");
  }
  SetData(out, size, true, 1, dataType_);
}

enum class BitOp { And, Or, Xor, Shl, Shr };

static void Bitwise(THalvexVariant& left, const THalvexVariant& right, BitOp op, std::int32_t code,
                    const char* opText) {
  if (right.IsNull()) {
    left.Clear(left.DataType());
    return;
  }
  if (left.IsNull()) return;
  const std::uint8_t common = CommonBaseType(left.DataType(), right.DataType());
  const bool shift = op == BitOp::Shl || op == BitOp::Shr;
  if (!IsIntegerBaseType(common) && !(common == hbtLogical && !shift)) RaiseNotNumeric(code, opText);
  TValueBuffer r;
  ConvertData(right.DataType(), right.Data(), right.DataSize(), common, r);
  left.CastTo(common);
  std::uint8_t out[8];
  int size = 0;
  if (common == hbtLogical) {
    const bool a = LoadScalar<std::int16_t>(left.Data(), left.DataSize()) != 0;
    const bool b = LoadScalar<std::int16_t>(r.Data(), r.Size()) != 0;
    const bool v = op == BitOp::And ? a && b : op == BitOp::Or ? a || b : a != b;
    const std::int16_t x = v ? -1 : 0;
    std::memcpy(out, &x, 2);
    size = 2;
  } else {
    const std::int64_t a = LoadInteger(common, left.Data(), left.DataSize());
    const std::int64_t b = LoadInteger(common, r.Data(), r.Size());
    std::int64_t v = 0;
    switch (op) {
      case BitOp::And:
        v = a & b;
        break;
      case BitOp::Or:
        v = a | b;
        break;
      case BitOp::Xor:
        v = a ^ b;
        break;
      case BitOp::Shl:
      case BitOp::Shr: {
        const bool wide = common == hbtInt64;
        const unsigned count = static_cast<unsigned>(b) & (wide ? 63u : 31u);
        if (wide) {
          const auto u = static_cast<std::uint64_t>(a);
          v = static_cast<std::int64_t>(op == BitOp::Shl ? u << count : u >> count);
        } else {
          // Up to 32 bits the shift works on the 32-bit pattern of the value.
          const auto u = static_cast<std::uint32_t>(a);
          const std::uint32_t s = op == BitOp::Shl ? u << count : u >> count;
          // 8- and 16-bit results are range-checked, so they are kept exact.
          const bool exact = IsSmallInteger(common) && op == BitOp::Shl;
          v = exact ? a * (std::int64_t{1} << count) : static_cast<std::int64_t>(s);
        }
        break;
      }
    }
    size = StoreInteger(common, v, out);
  }
  left.SetData(out, size, true, 1, common);
}

void THalvexVariant::BitAnd(const THalvexVariant& right) { Bitwise(*this, right, BitOp::And, 11645, "AND"); }
void THalvexVariant::BitOr(const THalvexVariant& right) { Bitwise(*this, right, BitOp::Or, 11646, "OR"); }
void THalvexVariant::BitXor(const THalvexVariant& right) { Bitwise(*this, right, BitOp::Xor, 11650, "XOR"); }
void THalvexVariant::ShiftLeft(const THalvexVariant& right) { Bitwise(*this, right, BitOp::Shl, 11648, "SHL"); }
void THalvexVariant::ShiftRight(const THalvexVariant& right) { Bitwise(*this, right, BitOp::Shr, 11649, "SHR"); }

void THalvexVariant::BitNot() {
  if (IsNull()) return;
  std::uint8_t out[8];
  int size = 0;
  if (IsIntegerBaseType(dataType_)) {
    std::int64_t v = ~LoadInteger(dataType_, data_, dataSize_);
    // The complement of an unsigned value stays within its width.
    if (dataType_ == hbtUInt8) v &= 0xFF;
    if (dataType_ == hbtUInt16) v &= 0xFFFF;
    size = StoreInteger(dataType_, v, out);
  } else if (dataType_ == hbtLogical) {
    const std::int16_t x = LoadScalar<std::int16_t>(data_, dataSize_) != 0 ? 0 : -1;
    std::memcpy(out, &x, 2);
    size = 2;
  } else {
    RaiseNotNumeric(11647, "NOT");
  }
  SetData(out, size, true, 1, dataType_);
}

void THalvexVariant::ToHex(int prefixKind) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (IsNull() || !(IsText() || IsInteger())) {
    Clear(hbtFixedChar);
    return;
  }
  if (IsText()) {
    std::int32_t bytes = dataSize_;
    if (dataType_ == hbtFixedChar || dataType_ == hbtVarChar) bytes = NarrowTextLength(data_, dataSize_);
    if (dataType_ == hbtFixedWideChar || dataType_ == hbtVarWideChar) bytes = WideTextLength(data_, dataSize_) * 2;
    for (std::int32_t i = 0; i < bytes; ++i) {
      text += kDigits[data_[i] >> 4];
      text += kDigits[data_[i] & 0xF];
    }
  } else {
    const std::int32_t width = BaseTypeDataSize(dataType_, 0);
    const auto v = static_cast<std::uint64_t>(LoadInteger(dataType_, data_, dataSize_));
    for (std::int32_t i = width * 2 - 1; i >= 0; --i) text += kDigits[(v >> (4 * i)) & 0xF];
  }
  if (prefixKind == 1) text.insert(0, "$");
  if (prefixKind == 2) {
    text.insert(0, "0x");
    for (char& c : text)
      if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  Clear(hbtFixedChar);
  SetAsString(text);
}

}  // namespace halvex
