// Exchange of THalvexVariant with the platform variant.

#include <cmath>
#include <string>

#include "engine/access/value_convert.h"
#include "engine/access/variant.h"
#include "engine/storage/data_types.h"
#include "engine/storage/exception.h"

namespace halvex {

void THalvexVariant::FromOleVariant(const platform::TVariant& variant) {
  using namespace platform;
  const TVarType type = variant.VarType();
  // An empty variant holds no value either: it is what ToOleVariant gives
  // for a null value, so it must come back as null.
  if (type == varNull || type == varEmpty) {
    Clear(dataType_);
    return;
  }
  auto store = [this](std::uint8_t baseType, const void* data, std::int32_t size) {
    Clear(baseType);
    SetData(data, size, true, 1, baseType);
  };
  switch (type) {
    case varSmallint: {
      const auto v = static_cast<std::int16_t>(variant.AsInt64());
      return store(hbtInt16, &v, 2);
    }
    case varInteger: {
      const auto v = static_cast<std::int32_t>(variant.AsInt64());
      return store(hbtInt32, &v, 4);
    }
    case varShortInt: {
      const auto v = static_cast<std::int8_t>(variant.AsInt64());
      return store(hbtInt8, &v, 1);
    }
    case varByte: {
      const auto v = static_cast<std::uint8_t>(variant.AsInt64());
      return store(hbtUInt8, &v, 1);
    }
    case varWord: {
      const auto v = static_cast<std::uint16_t>(variant.AsInt64());
      return store(hbtUInt16, &v, 2);
    }
    case varLongWord: {
      const auto v = static_cast<std::uint32_t>(variant.AsInt64());
      return store(hbtUInt32, &v, 4);
    }
    case varInt64: {
      const std::int64_t v = variant.AsInt64();
      return store(hbtInt64, &v, 8);
    }
    case varSingle: {
      const auto v = static_cast<float>(variant.AsDouble());
      return store(hbtSingle, &v, 4);
    }
    case varDouble: {
      const double v = variant.AsDouble();
      return store(hbtDouble, &v, 8);
    }
    case varCurrency: {
      const double v = variant.AsDouble();
      return store(hbtCurrency, &v, 8);
    }
    case varDate:
      Clear(hbtDateTime);
      return SetAsDateTime(variant.AsDouble());
    case varBoolean: {
      const std::int16_t v = variant.AsBoolean() ? -1 : 0;
      return store(hbtLogical, &v, 2);
    }
    case varOleStr:
      Clear(hbtVarWideChar);
      return SetAsWideString(variant.AsOleStr());
    case varString:
      Clear(hbtVarChar);
      return SetAsString(variant.AsString());
    case varByteArray: {
      const auto& bytes = variant.AsByteArray();
      Clear(hbtBytes);
      if (!bytes.empty()) SetData(bytes.data(), static_cast<std::int32_t>(bytes.size()), true, 1, hbtBytes);
      return;
    }
    default:
      RaiseHalvex(30113, THalvexMessage::UnsupportedVariantType, {std::to_string(type)});
  }
}

platform::TVariant THalvexVariant::ToOleVariant() const {
  using platform::TVariant;
  const std::uint8_t type = dataType_;
  const bool known = type >= 1 && type <= kBaseTypeCount;
  if (IsNull()) return known ? TVariant::Null() : TVariant();
  switch (type) {
    case hbtFixedChar:
    case hbtVarChar:
    case hbtTextBlob:
    case hbtBlob:
      return TVariant::String(AsString());
    case hbtFixedWideChar:
    case hbtVarWideChar:
    case hbtWideTextBlob:
      return TVariant::OleStr(AsWideString());
    case hbtInt8:
      return TVariant::ShortInt(AsInt8());
    case hbtInt16:
      return TVariant::Smallint(AsInt16());
    case hbtInt32:
      return TVariant::Integer(AsInt32());
    case hbtInt64:
      return TVariant::Int64(AsInt64());
    case hbtUInt8:
      return TVariant::Byte(AsUInt8());
    case hbtUInt16:
      return TVariant::Word(AsUInt16());
    case hbtUInt32:
      return TVariant::LongWord(AsUInt32());
    case hbtSingle:
      return TVariant::Single(AsSingle());
    case hbtDouble:
    case hbtExtended:
      return TVariant::Double(AsDouble());
    case hbtCurrency:
      return TVariant::Currency(AsCurrency());
    case hbtDate:
      // A date without value has no platform date.
      if (AsDate() == kNoDate) return TVariant::Null();
      return TVariant::Date(AsDateTimeDate());
    case hbtTime:
      return TVariant::Date(AsDateTimeTime());
    case hbtDateTime: {
      const THalvexDateTimeParts parts = AsDateTimeParts();
      if (parts.Date == kNoDate) return TVariant::Date(parts.Time == kDateOnly ? 0.0 : parts.Time / 86400000.0);
      return TVariant::Date(AsDateTime());
    }
    case hbtLogical:
      return TVariant::Boolean(AsLogical());
    case hbtBytes:
    case hbtVarBytes:
      return TVariant::ByteArray(std::vector<std::uint8_t>(data_, data_ + dataSize_));
    default:
      RaiseHalvex(30114, THalvexMessage::UnsupportedVariantType, {BaseTypeToTypeName(type)});
  }
}

}  // namespace halvex
