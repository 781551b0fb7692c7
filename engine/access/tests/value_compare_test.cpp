#include "engine/access/value_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "engine/access/tests/variant_fixture.h"
#include "platform/rtl/variant.h"
#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

using namespace halvex::testing;

struct CompareCase {
  const char* name;
  std::function<THalvexVariant()> a;
  std::function<THalvexVariant()> b;
  int expected;  // raw outcome code
  bool caseInsensitive = false;
};

void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class Compare : public ValueTest, public ::testing::WithParamInterface<CompareCase> {
 protected:
  void SetUp() override {
    ValueTest::SetUp();
    platform::SetUserLocale("en_US");
  }
  void TearDown() override {
    platform::SetUserLocale("");
    ValueTest::TearDown();
  }
};

TEST_P(Compare, OutcomeCode) {
  const CompareCase& c = GetParam();
  const THalvexVariant a = c.a();
  const THalvexVariant b = c.b();
  EXPECT_EQ(a.Compare(b, true, false, c.caseInsensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Compare,
    ::testing::Values(
        CompareCase{"both_null", [] { return THalvexVariant(hbtInt32); }, [] { return THalvexVariant(hbtVarChar); }, 5},
        CompareCase{"first_null", [] { return THalvexVariant(hbtInt32); }, [] { return Int32(1); }, 3},
        CompareCase{"second_null", [] { return Int32(1); }, [] { return THalvexVariant(hbtBlob); }, 4},
        CompareCase{"int8_signed", [] { return Int8(-1); }, [] { return Int8(1); }, 1},
        CompareCase{"uint8_unsigned", [] { return UInt8(255); }, [] { return UInt8(1); }, 2},
        CompareCase{"int64_high_halves_signed", [] { return Int64(-1); }, [] { return Int64(1LL << 40); }, 1},
        CompareCase{"uint32_unsigned", [] { return UInt32(0x80000000u); }, [] { return UInt32(1); }, 2},
        CompareCase{"int_with_double", [] { return Int32(2); }, [] { return Double(2.5); }, 1},
        CompareCase{"currency_with_single", [] { return Currency(1.5); }, [] { return Single(1.5f); }, 0},
        CompareCase{"nan_is_equal", [] { return Double(std::nan("")); }, [] { return Double(1); }, 0},
        CompareCase{"int_with_text_compares_text", [] { return Int32(10); }, [] { return Text("9"); }, 1},
        CompareCase{"date_with_time_as_datetime", [] { return Date(730119); }, [] { return Time(1000); }, 2},
        CompareCase{"date_with_datetime_as_date", [] { return Date(730119); },
                    [] { return DateTime(730119, 5000); }, 0},
        CompareCase{"datetime_time_part", [] { return DateTime(730119, 5); }, [] { return DateTime(730119, 6); }, 1},
        CompareCase{"logical_1_and_255", [] { return Typed<std::int16_t>(hbtLogical, 1); },
                    [] { return Typed<std::int16_t>(hbtLogical, 255); }, 0},
        CompareCase{"logical_false_first", [] { return Logical(false); }, [] { return Logical(true); }, 1},
        CompareCase{"memo_with_text", [] { return Bytes("abc", hbtTextBlob); }, [] { return Text("abd"); }, 1},
        CompareCase{"memo_content_bounded", [] { return Bytes("ab", hbtTextBlob); }, [] { return Text("ab"); }, 0},
        CompareCase{"wide_with_narrow", [] { return Wide(u"b"); }, [] { return Text("a"); }, 2},
        CompareCase{"case_insensitive", [] { return Text("ABC"); }, [] { return Text("abc"); }, 0, true},
        CompareCase{"case_sensitive", [] { return Text("abc"); }, [] { return Text("ABC"); }, 1},
        // a, B, c keep that order with and without case.
        CompareCase{"a_before_B", [] { return Text("a"); }, [] { return Text("B"); }, 1},
        CompareCase{"B_before_c", [] { return Text("B"); }, [] { return Text("c"); }, 1},
        CompareCase{"a_before_B_without_case", [] { return Text("a"); }, [] { return Text("B"); }, 1, true},
        CompareCase{"accents_kept_without_case", [] { return Text("\xE9"); }, [] { return Text("E"); }, 2, true}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return std::string(info.param.name); });

TEST_F(ValueTest, CompareWithoutRawCodesFoldsNulls) {
  const THalvexVariant null(hbtInt32);
  const THalvexVariant one = Int32(1);
  EXPECT_EQ(null.Compare(one, false, false, false), 1);
  EXPECT_EQ(one.Compare(null, false, false, false), 2);
  EXPECT_EQ(null.Compare(null, false, false, false), 0);
}

TEST_F(ValueTest, LengthLimitedCompareUsesTheOtherLength) {
  const THalvexVariant longer = Text("abcdef");
  const THalvexVariant prefix = Text("abc");
  EXPECT_EQ(longer.Compare(prefix, true, true, false), 0);
  EXPECT_EQ(longer.Compare(prefix, true, false, false), 2);
}

TEST_F(ValueTest, IncompatibleAndUnorderedTypesRaise) {
  const auto blob = Bytes("x", hbtBlob);
  EXPECT_EQ(Raised([&] { blob.Compare(Int32(1), true, false, false); }).Message(),
            "Cannot compare Incompatible DataTypes: 'BLOB' and 'INTEGER' - Native error: 30044");
  EXPECT_EQ(Raised([&] { blob.Compare(Bytes("y", hbtBlob), true, false, false); }).Message(),
            "Unknown DataType: 'BLOB' - Native error: 30047");
  EXPECT_EQ(Raised([&] { Bytes("a").Compare(Bytes("b"), true, false, false); }).NativeError(), 30047);
  // Text that does not convert to the common type fails as a conversion.
  EXPECT_EQ(Raised([&] { Date(1).Compare(Text("x"), true, false, false); }).Message(),
            "Cannot cast from 'STRING' to 'DATE' - Native error: 30051");
}

TEST_F(ValueTest, ReducedCodesPutNullsFirst) {
  EXPECT_EQ(ReduceCompareCode(kCompareLessThan), -1);
  EXPECT_EQ(ReduceCompareCode(kCompareFirstNull), -1);
  EXPECT_EQ(ReduceCompareCode(kCompareGreaterThan), 1);
  EXPECT_EQ(ReduceCompareCode(kCompareSecondNull), 1);
  EXPECT_EQ(ReduceCompareCode(kCompareEqualTo), 0);
  EXPECT_EQ(ReduceCompareCode(kCompareBothNull), 0);
}

TEST_F(ValueTest, CompareValuesReadsOnlyWithinSizes) {
  // Text without a terminator at the end of its buffer stops at the size.
  const char a[3] = {'a', 'b', 'c'};
  const char b[4] = {'a', 'b', 'c', 0};
  EXPECT_EQ(CompareValues(a, 3, b, 4, hbtVarChar, hbtVarChar, false, -1, false, false), kCompareEqualTo);
  // Wide text at an odd address.
  alignas(2) unsigned char raw[8] = {0, 'x', 0, 'y', 0, 0, 0, 0};
  const char16_t y[3] = {u'x', u'y', 0};
  EXPECT_EQ(CompareValues(raw + 1, 6, y, 6, hbtVarWideChar, hbtVarWideChar, false, -1, false, false),
            kCompareEqualTo);
}

TEST_F(ValueTest, HashAgreesWithEquality) {
  EXPECT_EQ(Text("abc", hbtFixedChar).Hash(), Text("abc").Hash());
  EXPECT_EQ(Typed<std::int16_t>(hbtLogical, 1).Hash(), Typed<std::int16_t>(hbtLogical, -1).Hash());
  EXPECT_EQ(Double(0.0).Hash(), Double(-0.0).Hash());
  EXPECT_EQ(THalvexVariant(hbtInt32).Hash(), THalvexVariant(hbtVarChar).Hash());
  EXPECT_NE(Int32(1).Hash(), Int32(2).Hash());
  EXPECT_NE(Text("abc").Hash(), Text("abd").Hash());
}

TEST_F(ValueTest, PlatformVariantsMapToBaseTypes) {
  using platform::TVariant;
  struct Case {
    TVariant variant;
    std::uint8_t type;
    const char* text;
  };
  const Case cases[] = {
      {TVariant::Smallint(-3), hbtInt16, "-3"},     {TVariant::Integer(7), hbtInt32, "7"},
      {TVariant::ShortInt(-8), hbtInt8, "-8"},      {TVariant::Byte(200), hbtUInt8, "200"},
      {TVariant::Word(60000), hbtUInt16, "60000"},  {TVariant::LongWord(4000000000u), hbtUInt32, "4000000000"},
      {TVariant::Int64(-5), hbtInt64, "-5"},        {TVariant::Single(1.5f), hbtSingle, "1.5"},
      {TVariant::Double(2.25), hbtDouble, "2.25"},  {TVariant::Currency(3.5), hbtCurrency, "3.5"},
      {TVariant::Date(36525.5), hbtDateTime, "12/31/1999 12:00:00"},
      {TVariant::Boolean(true), hbtLogical, "True"}, {TVariant::String("s"), hbtVarChar, "s"},
      {TVariant::OleStr(u"w"), hbtVarWideChar, "w"},
  };
  for (const auto& c : cases) {
    THalvexVariant v(hbtInt32);
    v.FromOleVariant(c.variant);
    EXPECT_EQ(v.DataType(), c.type) << c.text;
    EXPECT_EQ(v.AsString(), c.text);
    // And back again to the same variant.
    const TVariant back = v.ToOleVariant();
    EXPECT_EQ(back, c.variant) << c.text;
  }
  THalvexVariant bytes;
  bytes.FromOleVariant(TVariant::ByteArray({1, 2, 3}));
  EXPECT_EQ(bytes.DataType(), hbtBytes);
  EXPECT_EQ(bytes.DataSize(), 3);
  EXPECT_EQ(bytes.ToOleVariant(), TVariant::ByteArray({1, 2, 3}));

  THalvexVariant null = Int32(1);
  null.FromOleVariant(TVariant::Null());
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(null.DataType(), hbtInt32);
  EXPECT_EQ(null.ToOleVariant().VarType(), platform::varNull);
  null.FromOleVariant(TVariant());
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(THalvexVariant().ToOleVariant().VarType(), platform::varEmpty);

  EXPECT_EQ(Extended(1.5L).ToOleVariant(), TVariant::Double(1.5));
  EXPECT_EQ(Date(693595).ToOleVariant(), TVariant::Date(1.0));
  EXPECT_EQ(Time(21600000).ToOleVariant(), TVariant::Date(0.25));
  EXPECT_EQ(Bytes("b", hbtBlob).ToOleVariant(), TVariant::String("b"));
  EXPECT_EQ(Bytes("m", hbtTextBlob).ToOleVariant(), TVariant::String("m"));

  THalvexVariant v;
  EXPECT_EQ(Raised([&] { v.FromOleVariant(TVariant::UInt64(1)); }).Message(),
            "Unsupported Variant Type 21 - Native error: 30113");
  THalvexVariant odd;
  const std::uint8_t byte = 1;
  odd.SetData(&byte, 1, true, 1, 30);
  EXPECT_EQ(Raised([&] { odd.ToOleVariant(); }).Message(), "Unsupported Variant Type Unknown - Native error: 30114");
}

}  // namespace
}  // namespace halvex
