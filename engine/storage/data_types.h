#pragma once
// The engine's data types. Three numberings:
//   THalvexFieldType      what a column is declared as (1..35), with a
//                         display name;
//   THalvexBaseFieldType  the storage class deciding a value's bytes (1..24);
//   platform::TFieldType  the dataset layer's field kind.
// The type-name table (58 rows) ties them together and names the types in
// SQL and in messages. Every conversion scans it from the first row and takes
// the first match; a failed lookup gives 0 or "Unknown".
//
// Bytes a value of each base type occupies in a record (Size = declared size):
//   1, 3   narrow text          Size + 1 (zero terminated)
//   2, 4   wide text            (Size + 1) * 2 (two-byte terminator)
//   5, 9   8-bit integers       1        6, 10  16-bit integers   2
//   7, 11  32-bit integers      4        8      64-bit integer    8
//   12 single 4, 13 double 8, 14 extended 10 (80-bit)
//   15 date: int32 day number, day 1 = 0001-01-01          4
//   16 time: int32 milliseconds since midnight             4
//   17 date-time: date then time                           8
//   18, 19, 20  BLOB slot                                  8
//   21 logical: int16, 0 false, -1 true                    2
//   22 currency: IEEE double                               8
//   23, 24 bytes                                           Size

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/db/field_type.h"

namespace halvex {

enum THalvexFieldType : std::uint8_t {
  hftUnknown = 0,
  hftChar = 1,
  hftVarchar = 2,
  hftWideChar = 3,
  hftWideVarchar = 4,
  hftShortInt = 5,
  hftSmallInt = 6,
  hftInteger = 7,
  hftLargeInt = 8,
  hftByte = 9,
  hftWord = 10,
  hftCardinal = 11,
  hftAutoInc = 12,
  hftAutoIncShortInt = 13,
  hftAutoIncSmallInt = 14,
  hftAutoIncInteger = 15,
  hftAutoIncLargeInt = 16,
  hftAutoIncByte = 17,
  hftAutoIncWord = 18,
  hftAutoIncCardinal = 19,
  hftSingle = 20,
  hftDouble = 21,
  hftExtended = 22,
  hftBoolean = 23,
  hftCurrency = 24,
  hftDate = 25,
  hftTime = 26,
  hftDateTime = 27,
  hftTimeStamp = 28,
  hftBytes = 29,
  hftVarBytes = 30,
  hftBlob = 31,
  hftGraphic = 32,
  hftMemo = 33,
  hftFormattedMemo = 34,
  hftWideMemo = 35,
};

enum THalvexBaseFieldType : std::uint8_t {
  hbtNone = 0,
  hbtFixedChar = 1,
  hbtFixedWideChar = 2,
  hbtVarChar = 3,
  hbtVarWideChar = 4,
  hbtInt8 = 5,
  hbtInt16 = 6,
  hbtInt32 = 7,
  hbtInt64 = 8,
  hbtUInt8 = 9,
  hbtUInt16 = 10,
  hbtUInt32 = 11,
  hbtSingle = 12,
  hbtDouble = 13,
  hbtExtended = 14,
  hbtDate = 15,
  hbtTime = 16,
  hbtDateTime = 17,
  hbtBlob = 18,
  hbtTextBlob = 19,
  hbtWideTextBlob = 20,
  hbtLogical = 21,
  hbtCurrency = 22,
  hbtBytes = 23,
  hbtVarBytes = 24,
};

inline constexpr int kBaseTypeCount = 24;
inline constexpr int kFieldTypeCount = 35;

struct THalvexFieldTypeDesc {
  std::string_view DisplayName;
  THalvexFieldType FieldType;
};

struct TSQLFieldType {
  std::string_view TypeName;
  THalvexFieldType FieldType;
  THalvexBaseFieldType BaseType;
  platform::TFieldType ClientKind;
};

// The 35 display names, in table order.
std::span<const THalvexFieldTypeDesc> FieldTypeDescs() noexcept;
// The 58 rows of the type-name table, in order.
std::span<const TSQLFieldType> SQLFieldTypes() noexcept;

// Display name of an engine type; "Unknown" when it has none.
std::string_view FieldTypeDisplayName(std::uint8_t fieldType) noexcept;

// First-match conversions through the type-name table.
THalvexBaseFieldType FieldTypeToBaseType(std::uint8_t fieldType) noexcept;
THalvexFieldType BaseTypeToFieldType(std::uint8_t baseType) noexcept;
platform::TFieldType FieldTypeToClientKind(std::uint8_t fieldType) noexcept;
// Raises "Unknown DataType: '%s'" (30289) with the kind's number.
THalvexFieldType ClientKindToFieldType(platform::TFieldType kind);
std::string_view FieldTypeToTypeName(std::uint8_t fieldType) noexcept;
std::string_view BaseTypeToTypeName(std::uint8_t baseType) noexcept;

// Bytes of a value in a record; raises "Unknown DataType: '%s'" (30050) for
// a base type outside 1..24.
std::int32_t BaseTypeDataSize(std::uint8_t baseType, std::int32_t size);
// DataSize, except 6 for variable strings and BLOBs (base 3, 4, 18, 19, 20).
std::int32_t BaseTypeExternalSize(std::uint8_t baseType, std::int32_t dataSize) noexcept;

// Common type of two base types (left operand as the row); 0 when none.
THalvexBaseFieldType CommonBaseType(std::uint8_t left, std::uint8_t right) noexcept;
// The same for engine field types, through their base types.
THalvexFieldType CommonFieldType(std::uint8_t left, std::uint8_t right) noexcept;

// Predicates by number.
constexpr bool IsBlobBaseType(std::uint8_t t) noexcept { return t >= 18 && t <= 20; }
constexpr bool IsBlobFieldType(std::uint8_t t) noexcept { return t >= 31 && t <= 35; }
constexpr bool IsVarStringBaseType(std::uint8_t t) noexcept { return t == 3 || t == 4; }
constexpr bool IsStringFieldType(std::uint8_t t) noexcept { return t >= 1 && t <= 4; }
constexpr bool IsWideFieldType(std::uint8_t t) noexcept { return t == 3 || t == 4 || t == 35; }
constexpr bool IsWideBaseType(std::uint8_t t) noexcept { return t == 2 || t == 4 || t == 20; }
constexpr bool IsAutoIncFieldType(std::uint8_t t) noexcept { return t >= 12 && t <= 19; }
constexpr bool IsBytesFieldType(std::uint8_t t) noexcept { return t == 29 || t == 30; }
constexpr bool IsNumericBaseType(std::uint8_t t) noexcept { return (t >= 5 && t <= 14) || t == 22; }
constexpr bool IsIntegerBaseType(std::uint8_t t) noexcept { return t >= 5 && t <= 11; }
constexpr bool IsDateTimeBaseType(std::uint8_t t) noexcept { return t >= 15 && t <= 17; }
// Text classes of the value type: text 1-4 and 19-20; narrow 1, 3, 19.
constexpr bool IsTextBaseType(std::uint8_t t) noexcept { return (t >= 1 && t <= 4) || t == 19 || t == 20; }
constexpr bool IsNarrowTextBaseType(std::uint8_t t) noexcept { return t == 1 || t == 3 || t == 19; }
constexpr bool IsFloatBaseType(std::uint8_t t) noexcept { return t >= 12 && t <= 14; }

}  // namespace halvex
