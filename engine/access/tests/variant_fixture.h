#pragma once
// Shared set-up of the value tests: the C/POSIX conventions, windows-1252,
// and helpers that build values of each base type.

#include <gtest/gtest.h>

#include <string>

#include "engine/access/value_convert.h"
#include "engine/access/variant.h"
#include "engine/storage/data_types.h"
#include "platform/rtl/code_page.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/locale.h"

namespace halvex::testing {

class ValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetUserLocale("");
    platform::SetAnsiCodePage(1252);
    platform::SetFormatSettings(platform::DefaultFormatSettings());
  }
  void TearDown() override {
    platform::ResetFormatSettings();
    platform::SetAnsiCodePage(0);
  }
};

template <typename T>
THalvexVariant Typed(std::uint8_t type, T value) {
  THalvexVariant v(type);
  v.SetData(&value, sizeof value, true, 1, type);
  return v;
}

inline THalvexVariant Int8(std::int8_t v) { return Typed(hbtInt8, v); }
inline THalvexVariant Int16(std::int16_t v) { return Typed(hbtInt16, v); }
inline THalvexVariant Int32(std::int32_t v) { return Typed(hbtInt32, v); }
inline THalvexVariant Int64(std::int64_t v) { return Typed(hbtInt64, v); }
inline THalvexVariant UInt8(std::uint8_t v) { return Typed(hbtUInt8, v); }
inline THalvexVariant UInt16(std::uint16_t v) { return Typed(hbtUInt16, v); }
inline THalvexVariant UInt32(std::uint32_t v) { return Typed(hbtUInt32, v); }
inline THalvexVariant Single(float v) { return Typed(hbtSingle, v); }
inline THalvexVariant Double(double v) { return Typed(hbtDouble, v); }
inline THalvexVariant Currency(double v) { return Typed(hbtCurrency, v); }
inline THalvexVariant Date(std::int32_t day) { return Typed(hbtDate, day); }
inline THalvexVariant Time(std::int32_t ms) { return Typed(hbtTime, ms); }
inline THalvexVariant Logical(bool b) { return Typed(hbtLogical, static_cast<std::int16_t>(b ? -1 : 0)); }
inline THalvexVariant Extended(long double x) {
  THalvexVariant v(hbtExtended);
  v.SetAsExtended(x);
  return v;
}
inline THalvexVariant DateTime(std::int32_t day, std::int32_t ms) {
  THalvexVariant v(hbtDateTime);
  v.SetAsDateTimeParts({day, ms});
  return v;
}
inline THalvexVariant Text(std::string_view s, std::uint8_t type = hbtVarChar) {
  THalvexVariant v(type);
  v.SetAsString(s);
  return v;
}
inline THalvexVariant Wide(std::u16string_view s, std::uint8_t type = hbtVarWideChar) {
  THalvexVariant v(type);
  v.SetAsWideString(s);
  return v;
}
inline THalvexVariant Bytes(std::string_view raw, std::uint8_t type = hbtBytes) {
  THalvexVariant v(type);
  v.SetData(raw.data(), static_cast<std::int32_t>(raw.size()), true, 1, type);
  return v;
}

}  // namespace halvex::testing
