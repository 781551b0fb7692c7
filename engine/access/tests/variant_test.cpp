#include "engine/access/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "engine/access/tests/variant_fixture.h"
#include "engine/storage/memory_manager.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/stream.h"
#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

using namespace halvex::testing;

using Value = ValueTest;

TEST_F(Value, NewAndClearedValuesAreNullOfTheirType) {
  THalvexVariant v(hbtInt32);
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.DataType(), hbtInt32);
  EXPECT_EQ(Raised([&] { v.CheckNotNull(); }).Message(), "Value is Null - Native error: 30016");
  EXPECT_EQ(Raised([&] { (void)v.AsInt32(); }).NativeError(), 30016);
  v.SetAsInt32(5);
  EXPECT_FALSE(v.IsNull());
  v.SetNull();
  EXPECT_TRUE(v.IsNull());
  EXPECT_NE(v.Data(), nullptr);  // SetNull keeps the buffer
  v.Clear(hbtDouble);
  EXPECT_TRUE(v.IsNull());
  EXPECT_EQ(v.Data(), nullptr);
  EXPECT_EQ(v.DataType(), hbtDouble);
}

TEST_F(Value, BuffersOwnedReferencedAndCopied) {
  const std::int64_t before = MemoryManager().AllocatedBytes();
  {
    std::int32_t outside = 77;
    THalvexVariant ref;
    ref.SetData(&outside, 4, false, 0, hbtInt32);
    EXPECT_TRUE(ref.IsReference());
    EXPECT_EQ(ref.AsInt32(), 77);
    outside = 78;
    EXPECT_EQ(ref.AsInt32(), 78);  // shares the bytes
    ref.SetSize(4);                // a referenced buffer is copied before it is resized
    EXPECT_FALSE(ref.IsReference());
    outside = 79;
    EXPECT_EQ(ref.AsInt32(), 78);

    THalvexVariant copy;
    copy.SetData(&outside, 4, false, 1, hbtInt32);
    EXPECT_FALSE(copy.IsReference());
    const std::uint8_t* buffer = copy.Data();
    const std::int32_t next = 80;
    copy.SetData(&next, 4, false, 1, hbtInt32);
    EXPECT_EQ(copy.Data(), buffer);  // same size and owned: reused

    THalvexVariant adopted(hbtVarChar);
    void* block = MemoryManager().GetMem(3);
    std::memcpy(block, "ab", 3);
    adopted.SetBuffer(block, 3);
    EXPECT_EQ(adopted.AsString(), "ab");
    char out[8] = {};
    EXPECT_TRUE(adopted.GetData(out, 1));
    EXPECT_STREQ(out, "a");
    adopted.SetBuffer(nullptr, 0);
    EXPECT_TRUE(adopted.IsNull());
    EXPECT_FALSE(adopted.GetData(out));

    THalvexVariant shared;
    shared.Assign(copy, 0);
    EXPECT_TRUE(shared.IsReference());
    EXPECT_EQ(shared.Data(), copy.Data());
    THalvexVariant owned;
    owned.Assign(copy, 1);
    EXPECT_NE(owned.Data(), copy.Data());
    EXPECT_EQ(owned.AsInt32(), 80);
  }
  EXPECT_EQ(MemoryManager().AllocatedBytes(), before);  // nothing leaked, references not freed
}

TEST_F(Value, WipingLeavesReferencedDataAlone) {
  SetWipeEnabled(true);
  std::uint8_t record[4] = {1, 2, 3, 4};
  {
    THalvexVariant ref;
    ref.SetData(record, 4, false, 0, hbtInt32);
    ref.Clear();
  }
  SetWipeEnabled(false);
  EXPECT_EQ(record[3], 4);
}

TEST_F(Value, TypedSettersKeepTheValueType) {
  THalvexVariant v = Int32(1);
  v.SetAsString("12");
  EXPECT_EQ(v.DataType(), hbtInt32);
  EXPECT_EQ(v.AsInt32(), 12);
  const auto e = Raised([&] { v.SetAsString("12x"); });
  EXPECT_EQ(e.Message(), "Cannot cast from 'STRING' to 'INTEGER' - Native error: 30051");

  THalvexVariant untyped;
  untyped.SetAsDouble(2.5);
  EXPECT_EQ(untyped.DataType(), hbtDouble);
  // A BLOB value takes the type it is given.
  THalvexVariant memo = Bytes("x", hbtTextBlob);
  memo.SetAsInt16(3);
  EXPECT_EQ(memo.DataType(), hbtInt16);
  // The same type overwrites its buffer in place.
  THalvexVariant same = Int64(1);
  const std::uint8_t* buffer = same.Data();
  same.SetAsInt64(-9);
  EXPECT_EQ(same.Data(), buffer);
  EXPECT_EQ(same.AsInt64(), -9);
}

TEST_F(Value, TextToLogical) {
  struct Case {
    const char* text;
    bool expected;
  };
  for (const Case c : {Case{"TRUE", true}, Case{"true", true}, Case{"1", true}, Case{"True", true},
                       Case{"yes", false}, Case{"0", false}, Case{"", false}, Case{" 1", false}}) {
    THalvexVariant v(hbtLogical);
    v.SetAsString(c.text);
    EXPECT_EQ(v.AsLogical(), c.expected) << '"' << c.text << '"';
  }
}

// One conversion of the table: a value, the target type and the text form
// of the result (through AsString), or the code it must raise.
struct ConversionCase {
  const char* name;
  std::function<THalvexVariant()> make;
  std::uint8_t target;
  const char* expected;    // text of the converted value
  std::int32_t errorCode;  // or the code raised
  const char* message = nullptr;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

class Conversion : public ValueTest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(Conversion, ToTarget) {
  const ConversionCase& c = GetParam();
  THalvexVariant v = c.make();
  if (c.errorCode != 0) {
    const auto e = Raised([&] { v.CastTo(c.target); });
    EXPECT_EQ(e.NativeError(), c.errorCode);
    if (c.message != nullptr) {
      EXPECT_EQ(e.Message(), c.message);
    }
    return;
  }
  v.CastTo(c.target);
  EXPECT_EQ(v.DataType(), c.target);
  if (c.target == hbtDateTime) {
    const auto parts = v.AsDateTimeParts();
    EXPECT_EQ(std::to_string(parts.Date) + "," + std::to_string(parts.Time), c.expected);
  } else if (IsDateTimeBaseType(c.target)) {
    EXPECT_EQ(std::to_string(c.target == hbtDate ? v.AsDate() : v.AsTime()), c.expected);
  } else if (c.target == hbtLogical) {
    EXPECT_EQ(v.AsLogical() ? "true" : "false", std::string(c.expected));
  } else if (IsIntegerBaseType(c.target)) {
    EXPECT_EQ(std::to_string(v.AsInt64()), c.expected);
  } else {
    EXPECT_EQ(v.AsString(), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Conversion,
    ::testing::Values(
        // integers
        ConversionCase{"int_text", [] { return Int32(-12); }, hbtVarChar, "-12", 0},
        ConversionCase{"int_narrowed", [] { return Int32(300); }, hbtInt8, "44", 0},
        ConversionCase{"int_unsigned_narrowed", [] { return Int32(-1); }, hbtUInt16, "65535", 0},
        ConversionCase{"int_double", [] { return Int32(7); }, hbtDouble, "7", 0},
        ConversionCase{"int_date", [] { return Int32(693594); }, hbtDate, "693594", 0},
        ConversionCase{"int_datetime", [] { return Int32(693594); }, hbtDateTime, "693594,-1", 0},
        ConversionCase{"int_logical", [] { return Int32(2); }, hbtLogical, "true", 0},
        ConversionCase{"int_currency", [] { return Int16(5); }, hbtCurrency, "5", 0},
        // floating
        ConversionCase{"double_int_truncates", [] { return Double(-3.7); }, hbtInt32, "-3", 0},
        ConversionCase{"double_int_range", [] { return Double(1e10); }, hbtInt32, "", 30051,
                       "Cannot cast from 'FLOAT' to 'INTEGER' - Native error: 30051"},
        ConversionCase{"double_text", [] { return Double(2.5); }, hbtVarChar, "2.5", 0},
        ConversionCase{"single_text_short", [] { return Single(0.1f); }, hbtVarChar, "0.1", 0},
        ConversionCase{"double_date", [] { return Double(693594.9); }, hbtDate, "693594", 0},
        ConversionCase{"double_time", [] { return Double(86401500.4); }, hbtTime, "1500", 0},
        ConversionCase{"double_datetime", [] { return Double(693594.5); }, hbtDateTime, "693594,43200000", 0},
        ConversionCase{"double_single_range", [] { return Double(1e300); }, hbtSingle, "", 30051},
        ConversionCase{"extended_double", [] { return Extended(1.25L); }, hbtDouble, "1.25", 0},
        // dates and times
        ConversionCase{"date_text", [] { return Date(693594); }, hbtVarChar, "12/30/1899", 0},
        ConversionCase{"nodate_text", [] { return Date(kNoDate); }, hbtVarChar, "", 0},
        ConversionCase{"date_datetime", [] { return Date(730119); }, hbtDateTime, "730119,-1", 0},
        ConversionCase{"date_time", [] { return Date(86400005); }, hbtTime, "5", 0},
        ConversionCase{"date_int16_range", [] { return Date(730119); }, hbtInt16, "", 30051},
        ConversionCase{"date_logical", [] { return Date(1); }, hbtLogical, "", 30052,
                       "Cannot cast from 'DATE' to 'LOGICAL' - Native error: 30052"},
        ConversionCase{"time_text", [] { return Time(3723000); }, hbtVarChar, "01:02:03", 0},
        ConversionCase{"time_datetime", [] { return Time(1000); }, hbtDateTime, "-2147483648,1000", 0},
        ConversionCase{"time_date", [] { return Time(1000); }, hbtDate, "1000", 0},
        ConversionCase{"datetime_text", [] { return DateTime(730119, 45296000); }, hbtVarChar,
                       "12/31/1999 12:34:56", 0},
        ConversionCase{"dateonly_text", [] { return DateTime(730119, -1); }, hbtVarChar, "12/31/1999", 0},
        ConversionCase{"datetime_double", [] { return DateTime(730119, 43200000); }, hbtDouble, "730119.5", 0},
        ConversionCase{"dateonly_double", [] { return DateTime(730119, -1); }, hbtDouble, "730119", 0},
        ConversionCase{"datetime_date", [] { return DateTime(730119, 5); }, hbtDate, "730119", 0},
        ConversionCase{"datetime_time", [] { return DateTime(730119, 5); }, hbtTime, "5", 0},
        ConversionCase{"datetime_int", [] { return DateTime(730119, 5); }, hbtInt64, "730119", 0},
        ConversionCase{"datetime_currency", [] { return DateTime(1, 5); }, hbtCurrency, "", 30052},
        // logical
        ConversionCase{"logical_text", [] { return Logical(true); }, hbtVarChar, "True", 0},
        ConversionCase{"logical_false_text", [] { return Logical(false); }, hbtVarChar, "False", 0},
        ConversionCase{"logical_int16", [] { return Logical(true); }, hbtInt16, "-1", 0},
        ConversionCase{"logical_uint8", [] { return Logical(true); }, hbtUInt8, "255", 0},
        ConversionCase{"logical_double", [] { return Logical(true); }, hbtDouble, "-1", 0},
        ConversionCase{"logical_date", [] { return Logical(true); }, hbtDate, "", 30052},
        ConversionCase{"logical_currency", [] { return Logical(true); }, hbtCurrency, "", 30052},
        // currency
        ConversionCase{"currency_int", [] { return Currency(12.75); }, hbtInt32, "12", 0},
        ConversionCase{"currency_text", [] { return Currency(12.5); }, hbtVarChar, "12.5", 0},
        ConversionCase{"currency_logical", [] { return Currency(0.5); }, hbtLogical, "true", 0},
        ConversionCase{"currency_date", [] { return Currency(1); }, hbtDate, "", 30052,
                       "Cannot cast from 'CURRENCY' to 'DATE' - Native error: 30052"},
        // text
        ConversionCase{"text_int", [] { return Text(" 42 "); }, hbtInt16, "42", 0},
        ConversionCase{"text_int_bad", [] { return Text("4 2"); }, hbtInt32, "", 30051},
        ConversionCase{"text_int32_range", [] { return Text("3000000000"); }, hbtInt32, "", 30051},
        ConversionCase{"text_uint32", [] { return Text("4000000000"); }, hbtUInt32, "4000000000", 0},
        ConversionCase{"text_int64", [] { return Text("-9223372036854775808"); }, hbtInt64,
                       "-9223372036854775808", 0},
        ConversionCase{"text_double", [] { return Text("1.5E3"); }, hbtDouble, "1500", 0},
        ConversionCase{"text_double_bad", [] { return Text("1,5"); }, hbtDouble, "", 30051},
        ConversionCase{"text_date", [] { return Text("12/31/1999"); }, hbtDate, "730119", 0},
        ConversionCase{"text_date_bad", [] { return Text("13/31/1999"); }, hbtDate, "", 30051},
        ConversionCase{"text_empty_date", [] { return Text(""); }, hbtDate, "-2147483648", 0},
        ConversionCase{"text_time", [] { return Text("01:02:03"); }, hbtTime, "3723000", 0},
        ConversionCase{"text_datetime", [] { return Text("12/31/1999 12:00"); }, hbtDateTime, "730119,43200000", 0},
        ConversionCase{"text_currency", [] { return Text("1.23456"); }, hbtCurrency, "1.2346", 0},
        ConversionCase{"memo_text", [] { return Bytes("memo", hbtTextBlob); }, hbtVarChar, "memo", 0},
        ConversionCase{"wide_text", [] { return Wide(u"\u00e9t\u0151"); }, hbtVarChar, "\xE9t?", 0},
        ConversionCase{"text_wide_back", [] { return Text("\xE9t"); }, hbtWideTextBlob, "\xE9t", 0},
        // bytes
        ConversionCase{"bytes_int", [] { return Bytes("ab"); }, hbtInt32, "", 30052,
                       "Cannot cast from 'BYTES' to 'INTEGER' - Native error: 30052"},
        ConversionCase{"bytes_blob_text", [] { return Bytes("ab"); }, hbtBlob, "ab", 0},
        ConversionCase{"int_bytes", [] { return Int32(1); }, hbtBytes, "", 30052}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST_F(Value, CastToAndSetDataType) {
  THalvexVariant fixed = Text("ab", hbtFixedChar);
  const std::uint8_t* buffer = fixed.Data();
  fixed.CastTo(hbtVarChar);
  EXPECT_EQ(fixed.DataType(), hbtVarChar);
  EXPECT_EQ(fixed.Data(), buffer);  // only the type code changes

  THalvexVariant null(hbtInt32);
  null.CastTo(hbtVarChar);
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(null.DataType(), hbtVarChar);

  THalvexVariant bad = Text("nope");
  bad.SetDataType(hbtInt32);
  EXPECT_TRUE(bad.IsNull());
  EXPECT_EQ(bad.DataType(), hbtInt32);
  THalvexVariant good = Text("5");
  good.SetDataType(hbtInt32);
  EXPECT_EQ(good.AsInt32(), 5);
}

TEST_F(Value, TypedGettersConvert) {
  EXPECT_EQ(Int32(12).AsString(), "12");
  EXPECT_EQ(Text("7").AsInt64(), 7);
  EXPECT_EQ(Bytes(std::string_view("abc\0d", 5), hbtTextBlob).AsString().size(), 5u);  // BLOB text in full
  EXPECT_EQ(Wide(u"xy").AsWideString(), u"xy");
  EXPECT_EQ(Text("xy").AsWideString(), u"xy");
  EXPECT_DOUBLE_EQ(Date(693594 + 1).AsDateTimeDate(), 1.0);
  EXPECT_DOUBLE_EQ(Time(21600000).AsDateTimeTime(), 0.25);
  EXPECT_DOUBLE_EQ(DateTime(693596, 21600000).AsDateTime(), 2.25);
  EXPECT_EQ(Raised([] { (void)Date(kNoDate).AsDateTimeDate(); }).NativeError(), 30051);
  THalvexVariant dt(hbtDateTime);
  dt.SetAsDateTime(platform::EncodeDate(2026, 12, 11) + platform::EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(dt.AsDateTimeParts().Time, 47100000);
  EXPECT_EQ(dt.AsDate(), 739961);
  THalvexVariant date(hbtDate);
  date.SetAsDateTimeDate(1.75);
  EXPECT_EQ(date.AsDate(), 693595);
}

TEST_F(Value, TextLength) {
  EXPECT_EQ(Text("abc").TextLength(), 3);
  EXPECT_EQ(Wide(u"abcd", hbtFixedWideChar).TextLength(), 4);
  EXPECT_EQ(Bytes(std::string_view("ab\0c", 4), hbtTextBlob).TextLength(), 4);
  EXPECT_EQ(Int32(5).TextLength(), -1);
  EXPECT_EQ(THalvexVariant(hbtVarChar).TextLength(), -1);
}

TEST_F(Value, TypeTests) {
  EXPECT_TRUE(Currency(1).IsNumeric());
  EXPECT_FALSE(Currency(1).IsInteger());
  EXPECT_TRUE(UInt8(1).IsInteger());
  EXPECT_TRUE(Bytes("x", hbtWideTextBlob).IsText());
  EXPECT_TRUE(Bytes("x", hbtWideTextBlob).IsWideText());
  EXPECT_TRUE(Bytes("x", hbtBlob).IsBlob());
  EXPECT_FALSE(Bytes("x", hbtBlob).IsText());
  EXPECT_TRUE(Time(1).IsDateOrTime());
}

}  // namespace
}  // namespace halvex
