#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "engine/access/tests/variant_fixture.h"
#include "platform/rtl/exception.h"
#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

using namespace halvex::testing;
using Operators = ValueTest;

TEST_F(Operators, AddNullRulesAndText) {
  THalvexVariant abc = Text("abc");
  abc.Add(THalvexVariant(hbtVarChar));
  EXPECT_EQ(abc.AsString(), "abc");

  THalvexVariant leftNull(hbtInt32);
  leftNull.Add(Int32(5));
  EXPECT_EQ(leftNull.AsInt32(), 5);

  THalvexVariant five = Int32(5);
  five.Add(THalvexVariant(hbtInt32));
  EXPECT_TRUE(five.IsNull());

  THalvexVariant mixed = Text("n=");
  mixed.Add(Int32(3));
  EXPECT_EQ(mixed.AsString(), "n=3");
  THalvexVariant wide = Text("a");
  wide.Add(Wide(u"\u0151"));
  EXPECT_EQ(wide.DataType(), hbtVarWideChar);
  EXPECT_EQ(wide.AsWideString(), u"a\u0151");
}

TEST_F(Operators, MultiplyAndDivideNullRules) {
  THalvexVariant a = Int32(5);
  a.Multiply(THalvexVariant(hbtInt32));
  EXPECT_TRUE(a.IsNull());
  THalvexVariant b(hbtInt32);
  b.Multiply(Int32(5));
  EXPECT_TRUE(b.IsNull());
  THalvexVariant c(hbtInt32);
  c.Divide(Int32(5));
  EXPECT_TRUE(c.IsNull());
}

// A binary operation on two values and the text of the result, or the
// native code (0: a platform error) it raises.
struct BinaryCase {
  const char* name;
  std::function<THalvexVariant()> left;
  std::function<THalvexVariant()> right;
  void (THalvexVariant::*op)(const THalvexVariant&);
  std::uint8_t resultType;
  const char* expected;
  std::int32_t errorCode = -1;
  const char* message = nullptr;
};

void PrintTo(const BinaryCase& c, std::ostream* os) { *os << c.name; }

class Binary : public ValueTest, public ::testing::WithParamInterface<BinaryCase> {};

TEST_P(Binary, Result) {
  const BinaryCase& c = GetParam();
  THalvexVariant left = c.left();
  const THalvexVariant right = c.right();
  if (c.errorCode >= 0) {
    if (c.errorCode == 0) {
      EXPECT_THROW((left.*c.op)(right), platform::Exception);
      return;
    }
    const auto e = Raised([&] { (left.*c.op)(right); });
    EXPECT_EQ(e.NativeError(), c.errorCode) << e.Message();
    if (c.message != nullptr) {
      EXPECT_EQ(e.Message(), c.message);
    }
    return;
  }
  (left.*c.op)(right);
  EXPECT_EQ(left.DataType(), c.resultType);
  if (c.resultType == hbtDateTime) {
    const auto parts = left.AsDateTimeParts();
    EXPECT_EQ(std::to_string(parts.Date) + "," + std::to_string(parts.Time), c.expected);
  } else if (c.resultType == hbtTime || c.resultType == hbtDate) {
    EXPECT_EQ(std::to_string(c.resultType == hbtTime ? left.AsTime() : left.AsDate()), c.expected);
  } else {
    EXPECT_EQ(left.AsString(), c.expected);
  }
}

using V = THalvexVariant;
INSTANTIATE_TEST_SUITE_P(
    Table, Binary,
    ::testing::Values(
        BinaryCase{"add_common_type", [] { return Int16(2); }, [] { return Double(0.5); }, &V::Add, hbtDouble, "2.5"},
        BinaryCase{"add_int8_range", [] { return Int8(100); }, [] { return Int8(100); }, &V::Add, 0, "", 0},
        BinaryCase{"add_uint16_range", [] { return UInt16(65535); }, [] { return UInt16(1); }, &V::Add, 0, "", 0},
        BinaryCase{"add_int32_wraps", [] { return Int32(INT32_MAX); }, [] { return Int32(1); }, &V::Add, hbtInt32,
                   "-2147483648"},
        BinaryCase{"add_uint32_wraps", [] { return UInt32(4294967295u); }, [] { return UInt32(2); }, &V::Add,
                   hbtUInt32, "1"},
        BinaryCase{"add_int64_wraps", [] { return Int64(INT64_MAX); }, [] { return Int64(1); }, &V::Add, hbtInt64,
                   "-9223372036854775808"},
        BinaryCase{"add_dates", [] { return Date(730119); }, [] { return Date(1); }, &V::Add, hbtDate, "730120"},
        BinaryCase{"add_times_wrap_the_day", [] { return Time(82800000); }, [] { return Time(7200000); }, &V::Add,
                   hbtTime, "3600000"},
        BinaryCase{"add_datetimes_carry_a_day", [] { return DateTime(730119, 82800000); },
                   [] { return DateTime(0, 7200000); }, &V::Add, hbtDateTime, "730120,3600000"},
        BinaryCase{"add_logical", [] { return Logical(false); }, [] { return Logical(true); }, &V::Add, hbtLogical,
                   "True"},
        BinaryCase{"add_currency", [] { return Int32(2); }, [] { return Currency(1.25); }, &V::Add, hbtCurrency,
                   "3.25"},
        // The common type of currency and a 32-bit integer is the integer.
        BinaryCase{"add_currency_left", [] { return Currency(1.25); }, [] { return Int32(2); }, &V::Add, hbtInt32,
                   "3"},
        BinaryCase{"add_blob", [] { return Bytes("x", hbtBlob); }, [] { return Int32(2); }, &V::Add, 0, "", 30124,
                   "Not numeric argument in numeric operator '+' - Native error: 30124"},
        BinaryCase{"multiply", [] { return Int32(6); }, [] { return Int32(7); }, &V::Multiply, hbtInt32, "42"},
        BinaryCase{"multiply_int16_range", [] { return Int16(300); }, [] { return Int16(300); }, &V::Multiply, 0,
                   "", 0},
        BinaryCase{"multiply_bytes", [] { return Bytes("x"); }, [] { return Bytes("y"); }, &V::Multiply, 0, "",
                   30126, "Not numeric argument in numeric operator '*' - Native error: 30126"},
        BinaryCase{"divide_truncates", [] { return Int32(7); }, [] { return Int32(2); }, &V::Divide, hbtInt32, "3"},
        BinaryCase{"divide_negative_truncates", [] { return Int32(-7); }, [] { return Int32(2); }, &V::Divide,
                   hbtInt32, "-3"},
        BinaryCase{"divide_by_zero", [] { return Int32(7); }, [] { return Int32(0); }, &V::Divide, 0, "", 30128,
                   "Division error: Division by zero - Native error: 30128"},
        BinaryCase{"divide_float_by_zero", [] { return Double(7); }, [] { return Double(0); }, &V::Divide, 0, "",
                   30128},
        BinaryCase{"divide_overflow", [] { return Int64(INT64_MIN); }, [] { return Int64(-1); }, &V::Divide, 0, "",
                   30128},
        BinaryCase{"divide_int8_range", [] { return Int8(-128); }, [] { return Int8(-1); }, &V::Divide, 0, "",
                   30128},
        BinaryCase{"divide_floats", [] { return Double(7); }, [] { return Int32(2); }, &V::Divide, hbtDouble, "3.5"},
        BinaryCase{"divide_text", [] { return Text("7"); }, [] { return Int32(2); }, &V::Divide, 0, "", 30127,
                   "Not numeric argument in numeric operator '/' - Native error: 30127"},
        BinaryCase{"mod_sign_of_left", [] { return Int32(-7); }, [] { return Int32(3); }, &V::Mod, hbtInt64, "-1"},
        BinaryCase{"mod_floats_truncate", [] { return Double(7.9); }, [] { return Int32(4); }, &V::Mod, hbtInt64,
                   "3"},
        BinaryCase{"power_integers", [] { return Int32(2); }, [] { return Int32(10); }, &V::Power, hbtInt64, "1024"},
        BinaryCase{"power_extended", [] { return Double(2); }, [] { return Double(0.5); }, &V::Power, hbtExtended,
                   "1.4142135623731"},
        BinaryCase{"and", [] { return Int32(12); }, [] { return Int32(10); }, &V::BitAnd, hbtInt32, "8"},
        BinaryCase{"or", [] { return UInt8(12); }, [] { return UInt8(3); }, &V::BitOr, hbtUInt8, "15"},
        BinaryCase{"xor", [] { return Int64(6); }, [] { return Int64(3); }, &V::BitXor, hbtInt64, "5"},
        BinaryCase{"and_logical", [] { return Logical(true); }, [] { return Logical(false); }, &V::BitAnd,
                   hbtLogical, "False"},
        BinaryCase{"xor_logical", [] { return Logical(true); }, [] { return Logical(false); }, &V::BitXor,
                   hbtLogical, "True"},
        BinaryCase{"and_double", [] { return Double(1); }, [] { return Int32(1); }, &V::BitAnd, 0, "", 11645},
        BinaryCase{"or_double", [] { return Double(1); }, [] { return Int32(1); }, &V::BitOr, 0, "", 11646},
        BinaryCase{"xor_double", [] { return Double(1); }, [] { return Int32(1); }, &V::BitXor, 0, "", 11650},
        BinaryCase{"shl", [] { return Int32(1); }, [] { return Int32(33); }, &V::ShiftLeft, hbtInt32, "2"},
        BinaryCase{"shl_int8_range", [] { return Int8(64); }, [] { return Int8(1); }, &V::ShiftLeft, 0, "", 0},
        BinaryCase{"shr", [] { return Int32(-8); }, [] { return Int32(1); }, &V::ShiftRight, hbtInt32,
                   "2147483644"},
        BinaryCase{"shr_int64", [] { return Int64(256); }, [] { return Int64(4); }, &V::ShiftRight, hbtInt64, "16"},
        BinaryCase{"shl_logical", [] { return Logical(true); }, [] { return Logical(true); }, &V::ShiftLeft, 0, "",
                   11648},
        BinaryCase{"shr_double", [] { return Double(1); }, [] { return Int32(1); }, &V::ShiftRight, 0, "", 11649}),
    [](const ::testing::TestParamInfo<BinaryCase>& info) { return std::string(info.param.name); });

TEST_F(Operators, BitwiseNullRules) {
  THalvexVariant a = Int16(3);
  a.BitAnd(THalvexVariant(hbtInt32));
  EXPECT_TRUE(a.IsNull());
  EXPECT_EQ(a.DataType(), hbtInt16);
  THalvexVariant b(hbtInt16);
  b.ShiftLeft(Int32(1));
  EXPECT_TRUE(b.IsNull());
}

TEST_F(Operators, ModAndPowerGiveNullForNullOrText) {
  for (auto make : {+[] { return THalvexVariant(hbtInt32); }, +[] { return Text("2"); }}) {
    THalvexVariant m = make();
    m.Mod(Int32(3));
    EXPECT_TRUE(m.IsNull());
    EXPECT_EQ(m.DataType(), hbtInt64);
    THalvexVariant p = make();
    p.Power(Int32(3));
    EXPECT_TRUE(p.IsNull());
  }
}

TEST_F(Operators, Negate) {
  struct Case {
    const char* name;
    std::function<THalvexVariant()> make;
    std::uint8_t type;
    const char* expected;
  };
  const Case cases[] = {
      {"int16", [] { return Int16(-5); }, hbtInt16, "5"},
      {"uint8_becomes_signed", [] { return UInt8(100); }, hbtInt8, "-100"},
      {"uint32_becomes_signed", [] { return UInt32(7); }, hbtInt32, "-7"},
      {"double", [] { return Double(2.5); }, hbtDouble, "-2.5"},
      {"currency", [] { return Currency(1.5); }, hbtCurrency, "-1.5"},
      {"logical", [] { return Logical(true); }, hbtLogical, "False"},
  };
  for (const auto& c : cases) {
    THalvexVariant v = c.make();
    v.Negate();
    EXPECT_EQ(v.DataType(), c.type) << c.name;
    EXPECT_EQ(v.AsString(), c.expected) << c.name;
  }
  THalvexVariant time = Time(1000);
  time.Negate();
  EXPECT_EQ(time.AsTime(), 86399000);
  THalvexVariant midnight = Time(0);
  midnight.Negate();
  EXPECT_EQ(midnight.AsTime(), 0);
  THalvexVariant date = Date(5);
  date.Negate();
  EXPECT_EQ(date.AsDate(), -5);
  THalvexVariant dt = DateTime(5, 1000);
  dt.Negate();
  EXPECT_EQ(dt.AsDateTimeParts().Date, -5);
  EXPECT_EQ(dt.AsDateTimeParts().Time, -1000);

  THalvexVariant bigUnsigned = UInt8(200);
  EXPECT_THROW(bigUnsigned.Negate(), platform::ERangeError);
  THalvexVariant min32 = Int32(INT32_MIN);
  EXPECT_THROW(min32.Negate(), platform::EIntOverflow);
  THalvexVariant min64 = Int64(INT64_MIN);
  EXPECT_THROW(min64.Negate(), platform::EIntOverflow);
  THalvexVariant text = Text("x");
  EXPECT_EQ(Raised([&] { text.Negate(); }).Message(),
            "Cannot invert value with not numeric type 'STRING' - Native error: 30123");
}

TEST_F(Operators, AbsSignCeilFloor) {
  THalvexVariant a = Int16(-4);
  a.Abs();
  EXPECT_EQ(a.AsInt16(), 4);
  THalvexVariant u = UInt16(4);
  u.Abs();
  EXPECT_EQ(u.AsUInt16(), 4);
  THalvexVariant minimum = Int8(-128);
  EXPECT_THROW(minimum.Abs(), platform::EIntOverflow);
  THalvexVariant text = Text("x");
  EXPECT_EQ(Raised([&] { text.Abs(); }).NativeError(), 11651);

  THalvexVariant s = Double(-0.5);
  s.Sign();
  EXPECT_EQ(s.DataType(), hbtDouble);
  EXPECT_DOUBLE_EQ(s.AsDouble(), -1);
  THalvexVariant su = UInt8(9);
  su.Sign();
  EXPECT_EQ(su.AsUInt8(), 1);
  EXPECT_EQ(Raised([&] { text.Sign(); }).NativeError(), 11652);

  THalvexVariant c = Double(-2.5);
  c.Ceil();
  EXPECT_EQ(c.DataType(), hbtInt32);
  EXPECT_EQ(c.AsInt32(), -2);
  THalvexVariant f = Currency(-2.5);
  f.Floor();
  EXPECT_EQ(f.AsInt32(), -3);
  THalvexVariant i = Int8(7);
  i.Floor();
  EXPECT_EQ(i.DataType(), hbtInt32);
  THalvexVariant t = Text("2.5");
  t.Ceil();
  EXPECT_TRUE(t.IsNull());

  THalvexVariant n = Int32(5);
  n.BitNot();
  EXPECT_EQ(n.AsInt32(), -6);
  THalvexVariant b = UInt8(0x0F);
  b.BitNot();
  EXPECT_EQ(b.AsUInt8(), 0xF0);
  THalvexVariant l = Logical(false);
  l.BitNot();
  EXPECT_TRUE(l.AsLogical());
  THalvexVariant d = Double(1);
  EXPECT_EQ(Raised([&] { d.BitNot(); }).NativeError(), 11647);
}

TEST_F(Operators, RoundAndTrunc) {
  struct Case {
    double value;
    int digits;  // -1: no argument
    const char* expected;
    std::uint8_t type;
  };
  const Case cases[] = {
      {2.346, 2, "2.35", hbtExtended}, {2.5, -1, "2", hbtInt64},     {3.5, -1, "4", hbtInt64},
      {-2.5, -1, "-2", hbtInt64},      {1234.5, -2, "1200", hbtExtended},
  };
  for (const auto& c : cases) {
    THalvexVariant v = Double(c.value);
    const THalvexVariant digits = Int32(c.digits);
    v.Round(c.digits >= 0 || c.digits == -2 ? &digits : nullptr);
    EXPECT_EQ(v.DataType(), c.type) << c.value;
    EXPECT_EQ(v.AsString(), c.expected) << c.value;
  }
  THalvexVariant t = Double(-2.7);
  t.Trunc(nullptr);
  EXPECT_EQ(t.DataType(), hbtInt64);
  EXPECT_EQ(t.AsInt64(), -2);
  THalvexVariant t2 = Double(2.789);
  const THalvexVariant two = Int32(2);
  t2.Trunc(&two);
  EXPECT_EQ(t2.AsString(), "2.78");
  THalvexVariant big = Double(1);
  const THalvexVariant tooMany = Int64(1LL << 40);
  EXPECT_THROW(big.Round(&tooMany), platform::ERangeError);
}

TEST_F(Operators, RandomRanges) {
  for (int i = 0; i < 50; ++i) {
    THalvexVariant r(hbtInt32);
    r.Random(nullptr);
    EXPECT_EQ(r.DataType(), hbtExtended);
    EXPECT_GE(r.AsExtended(), 0);
    EXPECT_LT(r.AsExtended(), 1);
    THalvexVariant n = Int32(1);
    const THalvexVariant ten = Int32(10);
    n.Random(&ten);
    EXPECT_EQ(n.DataType(), hbtInt32);
    EXPECT_GE(n.AsInt32(), 0);
    EXPECT_LT(n.AsInt32(), 10);
  }
}

TEST_F(Operators, ToHex) {
  struct Case {
    const char* name;
    std::function<THalvexVariant()> make;
    int kind;
    const char* expected;
  };
  const Case cases[] = {
      {"int16_dollar", [] { return Int16(255); }, 1, "$00FF"},
      {"int16_0x", [] { return Int16(255); }, 2, "0x00ff"},
      {"int16_plain", [] { return Int16(255); }, 0, "00FF"},
      {"int8_negative", [] { return Int8(-1); }, 0, "FF"},
      {"int64", [] { return Int64(0x1234); }, 1, "$0000000000001234"},
      {"text", [] { return Text("Az"); }, 2, "0x417a"},
  };
  for (const auto& c : cases) {
    THalvexVariant v = c.make();
    v.ToHex(c.kind);
    EXPECT_EQ(v.DataType(), hbtFixedChar) << c.name;
    EXPECT_EQ(v.AsString(), c.expected) << c.name;
  }
  THalvexVariant d = Double(1);
  d.ToHex(1);
  EXPECT_TRUE(d.IsNull());
  EXPECT_EQ(d.DataType(), hbtFixedChar);
}

}  // namespace
}  // namespace halvex
