#include "platform/rtl/variant.h"

#include "platform/rtl/code_page.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/text_conversions.h"

namespace platform {
namespace {

[[noreturn]] void RaiseConversion() { throw EConvertError("Invalid variant type conversion"); }

template <typename T, typename Storage>
const T& Get(const Storage& value) {
  const T* p = std::get_if<T>(&value);
  if (p == nullptr) RaiseConversion();
  return *p;
}

}  // namespace

TVariant TVariant::Null() {
  TVariant v;
  v.type_ = varNull;
  return v;
}

std::int64_t TVariant::AsInt64() const { return Get<std::int64_t>(value_); }
std::uint64_t TVariant::AsUInt64() const { return Get<std::uint64_t>(value_); }
double TVariant::AsDouble() const { return Get<double>(value_); }
bool TVariant::AsBoolean() const { return Get<bool>(value_); }
const std::string& TVariant::AsString() const { return Get<std::string>(value_); }
const std::u16string& TVariant::AsOleStr() const { return Get<std::u16string>(value_); }
const std::vector<std::uint8_t>& TVariant::AsByteArray() const { return Get<std::vector<std::uint8_t>>(value_); }

std::string TVariant::ToString() const {
  switch (type_) {
    case varEmpty:
    case varNull:
      return {};
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return std::to_string(AsInt64());
    case varUInt64:
      return std::to_string(AsUInt64());
    case varSingle:
    case varDouble:
      return FloatToStr(AsDouble());
    case varCurrency:
      return CurrToStr(AsDouble());
    case varDate:
      return DateTimeToStr(AsDouble());
    case varBoolean:
      return AsBoolean() ? "True" : "False";
    case varString:
      return AsString();
    case varOleStr:
      return WideToAnsi(AsOleStr());
    default:
      RaiseConversion();
  }
}

}  // namespace platform
