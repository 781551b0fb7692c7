#include "engine/access/value_compare.h"

#include <cstring>

#include "engine/access/value_buffer.h"
#include "engine/access/value_convert.h"
#include "engine/storage/data_types.h"
#include "engine/storage/exception.h"
#include "platform/rtl/collation.h"

namespace halvex {
namespace {

template <typename T>
int Order(T a, T b) noexcept {
  return a < b ? kCompareLessThan : b < a ? kCompareGreaterThan : kCompareEqualTo;
}

int FromCollation(int result, std::int32_t code) {
  switch (result) {
    case platform::kCompareLess:
      return kCompareLessThan;
    case platform::kCompareEqual:
      return kCompareEqualTo;
    case platform::kCompareGreater:
      return kCompareGreaterThan;
    default:
      RaiseHalvex(code, THalvexMessage::UnknownReturnCode, {result});
  }
}

// Characters of text stored as `type` within size bytes.
std::int32_t TextUnits(std::uint8_t type, const std::uint8_t* p, std::int32_t size) noexcept {
  switch (type) {
    case hbtTextBlob:
      return size;
    case hbtWideTextBlob:
      return size / 2;
    case hbtFixedWideChar:
    case hbtVarWideChar:
      return WideTextLength(p, size);
    default:
      return NarrowTextLength(p, size);
  }
}

// UTF-16 text in its natural alignment: records may store it at odd offsets.
class AlignedWide {
 public:
  AlignedWide(const std::uint8_t* p, std::int32_t units) : units_(units) {
    if (reinterpret_cast<std::uintptr_t>(p) % alignof(char16_t) == 0) {
      data_ = reinterpret_cast<const char16_t*>(p);
    } else {
      std::uint8_t* copy = buffer_.Reserve(units * 2);
      if (units > 0) std::memcpy(copy, p, static_cast<std::size_t>(units) * 2);
      data_ = reinterpret_cast<const char16_t*>(copy);
    }
  }
  const char16_t* Data() const noexcept { return data_; }
  std::int32_t Units() const noexcept { return units_; }

 private:
  TValueBuffer buffer_;
  const char16_t* data_;
  std::int32_t units_;
};

std::int32_t Limit(std::int32_t units, std::int32_t length) noexcept {
  return length >= 0 && length < units ? length : units;
}

int CompareSameType(std::uint8_t type, const std::uint8_t* a, std::int32_t sizeA, std::uint8_t typeA,
                    const std::uint8_t* b, std::int32_t sizeB, std::uint8_t typeB, bool caseInsensitive,
                    std::int32_t length) {
  switch (type) {
    case hbtFixedChar:
    case hbtVarChar:
    case hbtTextBlob: {
      const std::int32_t na = Limit(TextUnits(typeA, a, sizeA), length);
      const std::int32_t nb = Limit(TextUnits(typeB, b, sizeB), length);
      return FromCollation(platform::CompareAnsiText(reinterpret_cast<const char*>(a), na,
                                                     reinterpret_cast<const char*>(b), nb, caseInsensitive),
                           30045);
    }
    case hbtFixedWideChar:
    case hbtVarWideChar:
    case hbtWideTextBlob: {
      const AlignedWide wa(a, Limit(TextUnits(typeA, a, sizeA), length));
      const AlignedWide wb(b, Limit(TextUnits(typeB, b, sizeB), length));
      return FromCollation(platform::CompareWideText(wa.Data(), wa.Units(), wb.Data(), wb.Units(), caseInsensitive),
                           30046);
    }
    case hbtInt8:
      return Order(LoadScalar<std::int8_t>(a, sizeA), LoadScalar<std::int8_t>(b, sizeB));
    case hbtInt16:
      return Order(LoadScalar<std::int16_t>(a, sizeA), LoadScalar<std::int16_t>(b, sizeB));
    case hbtInt32:
    case hbtDate:
    case hbtTime:
      return Order(LoadScalar<std::int32_t>(a, sizeA), LoadScalar<std::int32_t>(b, sizeB));
    case hbtInt64:
      return Order(LoadScalar<std::int64_t>(a, sizeA), LoadScalar<std::int64_t>(b, sizeB));
    case hbtUInt8:
      return Order(LoadScalar<std::uint8_t>(a, sizeA), LoadScalar<std::uint8_t>(b, sizeB));
    case hbtUInt16:
      return Order(LoadScalar<std::uint16_t>(a, sizeA), LoadScalar<std::uint16_t>(b, sizeB));
    case hbtUInt32:
      return Order(LoadScalar<std::uint32_t>(a, sizeA), LoadScalar<std::uint32_t>(b, sizeB));
    case hbtSingle:
      // Unordered values (NaN) are neither less nor greater: equal.
      return Order(LoadScalar<float>(a, sizeA), LoadScalar<float>(b, sizeB));
    case hbtDouble:
    case hbtCurrency:
      return Order(LoadScalar<double>(a, sizeA), LoadScalar<double>(b, sizeB));
    case hbtExtended:
      return Order(LoadExtended(a, sizeA), LoadExtended(b, sizeB));
    case hbtDateTime: {
      const int date = Order(LoadScalar<std::int32_t>(a, sizeA), LoadScalar<std::int32_t>(b, sizeB));
      if (date != kCompareEqualTo) return date;
      return Order(sizeA >= 8 ? LoadScalar<std::int32_t>(a + 4, sizeA - 4) : 0,
                   sizeB >= 8 ? LoadScalar<std::int32_t>(b + 4, sizeB - 4) : 0);
    }
    case hbtLogical:
      return Order(LoadScalar<std::int16_t>(a, sizeA) != 0, LoadScalar<std::int16_t>(b, sizeB) != 0);
    default:
      RaiseHalvex(30047, THalvexMessage::UnknownDataType, {BaseTypeToTypeName(type)});
  }
}

bool SameTextClass(std::uint8_t a, std::uint8_t b) noexcept {
  return (IsNarrowTextBaseType(a) && IsNarrowTextBaseType(b)) || (IsWideBaseType(a) && IsWideBaseType(b));
}

}  // namespace

int CompareValues(const void* a, std::int32_t sizeA, const void* b, std::int32_t sizeB, std::uint8_t typeA,
                  std::uint8_t typeB, bool caseInsensitive, std::int32_t length, bool aIsNull, bool bIsNull) {
  aIsNull = aIsNull || a == nullptr;
  bIsNull = bIsNull || b == nullptr;
  if (aIsNull || bIsNull) return aIsNull && bIsNull ? kCompareBothNull : aIsNull ? kCompareFirstNull : kCompareSecondNull;
  const auto* pa = static_cast<const std::uint8_t*>(a);
  const auto* pb = static_cast<const std::uint8_t*>(b);
  if (typeA == typeB) return CompareSameType(typeA, pa, sizeA, typeA, pb, sizeB, typeB, caseInsensitive, length);

  const std::uint8_t common = CommonBaseType(typeA, typeB);
  if (common == hbtNone)
    RaiseHalvex(30044, THalvexMessage::CannotCompareIncompatible,
                {BaseTypeToTypeName(typeA), BaseTypeToTypeName(typeB)});
  TValueBuffer convertedA;
  TValueBuffer convertedB;
  // Text of the same width class is read as it is, whatever its kind: the
  // conversion would copy the same characters.
  if (typeB != common && !SameTextClass(typeB, common)) {
    ConvertData(typeB, pb, sizeB, common, convertedB);
    if (convertedB.Size() == 0 && !IsTextBaseType(common)) RaiseHalvex(30140, THalvexMessage::ValueIsNull);
    pb = convertedB.Data();
    sizeB = convertedB.Size();
    typeB = common;
  }
  if (typeA != common && !SameTextClass(typeA, common)) {
    ConvertData(typeA, pa, sizeA, common, convertedA);
    if (convertedA.Size() == 0 && !IsTextBaseType(common)) RaiseHalvex(30140, THalvexMessage::ValueIsNull);
    pa = convertedA.Data();
    sizeA = convertedA.Size();
    typeA = common;
  }
  return CompareSameType(common, pa, sizeA, typeA, pb, sizeB, typeB, caseInsensitive, length);
}

}  // namespace halvex
