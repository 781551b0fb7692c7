#include "engine/storage/data_types.h"

#include <string>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

// Display names. The BLOB family is listed Memo, WideMemo, FormattedMemo,
// BLOB, Graphic, then the byte types; lookups go by number.
constexpr THalvexFieldTypeDesc kFieldTypeDescs[] = {
    {"Char", hftChar},
    {"Varchar", hftVarchar},
    {"WideChar", hftWideChar},
    {"WideVarchar", hftWideVarchar},
    {"ShortInt", hftShortInt},
    {"SmallInt", hftSmallInt},
    {"Integer", hftInteger},
    {"LargeInt", hftLargeInt},
    {"Byte", hftByte},
    {"Word", hftWord},
    {"Cardinal", hftCardinal},
    {"AutoInc", hftAutoInc},
    {"AutoIncShortInt", hftAutoIncShortInt},
    {"AutoIncSmallInt", hftAutoIncSmallInt},
    {"AutoIncInteger", hftAutoIncInteger},
    {"AutoIncLargeInt", hftAutoIncLargeInt},
    {"AutoIncByte", hftAutoIncByte},
    {"AutoIncWord", hftAutoIncWord},
    {"AutoIncCardinal", hftAutoIncCardinal},
    {"Single", hftSingle},
    {"Double", hftDouble},
    {"Extended", hftExtended},
    {"Boolean", hftBoolean},
    {"Currency", hftCurrency},
    {"Date", hftDate},
    {"Time", hftTime},
    {"DateTime", hftDateTime},
    {"TimeStamp", hftTimeStamp},
    {"Memo", hftMemo},
    {"WideMemo", hftWideMemo},
    {"FormattedMemo", hftFormattedMemo},
    {"BLOB", hftBlob},
    {"Graphic", hftGraphic},
    {"Bytes", hftBytes},
    {"VarBytes", hftVarBytes},
};
static_assert(std::size(kFieldTypeDescs) == kFieldTypeCount);

// Type names: SQL keywords for column types and the names in messages.
constexpr TSQLFieldType kSQLFieldTypes[] = {
    {"CHAR", static_cast<THalvexFieldType>(1), static_cast<THalvexBaseFieldType>(1), platform::ftFixedChar},
    {"FIXEDCHAR", static_cast<THalvexFieldType>(1), static_cast<THalvexBaseFieldType>(1), platform::ftFixedChar},
    {"STRING", static_cast<THalvexFieldType>(2), static_cast<THalvexBaseFieldType>(3), platform::ftString},
    {"VARCHAR", static_cast<THalvexFieldType>(2), static_cast<THalvexBaseFieldType>(3), platform::ftString},
    {"VARCHAR2", static_cast<THalvexFieldType>(2), static_cast<THalvexBaseFieldType>(3), platform::ftString},
    {"WIDECHAR", static_cast<THalvexFieldType>(3), static_cast<THalvexBaseFieldType>(2), platform::ftWideString},
    {"FIXEDWIDECHAR", static_cast<THalvexFieldType>(3), static_cast<THalvexBaseFieldType>(2), platform::ftFixedWideChar},
    {"WIDESTRING", static_cast<THalvexFieldType>(4), static_cast<THalvexBaseFieldType>(4), platform::ftWideString},
    {"WIDEVARCHAR", static_cast<THalvexFieldType>(4), static_cast<THalvexBaseFieldType>(4), platform::ftWideString},
    {"SIGNEDINT16", static_cast<THalvexFieldType>(6), static_cast<THalvexBaseFieldType>(6), platform::ftSmallint},
    {"SMALLINT", static_cast<THalvexFieldType>(6), static_cast<THalvexBaseFieldType>(6), platform::ftSmallint},
    {"INTEGER", static_cast<THalvexFieldType>(7), static_cast<THalvexBaseFieldType>(7), platform::ftInteger},
    {"SIGNEDINT32", static_cast<THalvexFieldType>(7), static_cast<THalvexBaseFieldType>(7), platform::ftInteger},
    {"SIGNEDINT64", static_cast<THalvexFieldType>(8), static_cast<THalvexBaseFieldType>(8), platform::ftLargeint},
    {"LARGEINT", static_cast<THalvexFieldType>(8), static_cast<THalvexBaseFieldType>(8), platform::ftLargeint},
    {"INT64", static_cast<THalvexFieldType>(8), static_cast<THalvexBaseFieldType>(8), platform::ftLargeint},
    {"UNSIGNEDINT16", static_cast<THalvexFieldType>(10), static_cast<THalvexBaseFieldType>(10), platform::ftWord},
    {"WORD", static_cast<THalvexFieldType>(10), static_cast<THalvexBaseFieldType>(10), platform::ftWord},
    {"SIGNEDINT8", static_cast<THalvexFieldType>(5), static_cast<THalvexBaseFieldType>(5), platform::ftInteger},
    {"SHORTINT", static_cast<THalvexFieldType>(5), static_cast<THalvexBaseFieldType>(5), platform::ftInteger},
    {"UNSIGNEDINT8", static_cast<THalvexFieldType>(9), static_cast<THalvexBaseFieldType>(9), platform::ftWord},
    {"BYTE", static_cast<THalvexFieldType>(9), static_cast<THalvexBaseFieldType>(9), platform::ftWord},
    {"UNSIGNEDINT32", static_cast<THalvexFieldType>(11), static_cast<THalvexBaseFieldType>(11), platform::ftLargeint},
    {"CARDINAL", static_cast<THalvexFieldType>(11), static_cast<THalvexBaseFieldType>(11), platform::ftLargeint},
    {"AUTOINC", static_cast<THalvexFieldType>(12), static_cast<THalvexBaseFieldType>(7), platform::ftAutoInc},
    {"AUTOINCSHORTINT", static_cast<THalvexFieldType>(13), static_cast<THalvexBaseFieldType>(5), platform::ftAutoInc},
    {"AUTOINCSMALLINT", static_cast<THalvexFieldType>(14), static_cast<THalvexBaseFieldType>(6), platform::ftAutoInc},
    {"AUTOINCINTEGER", static_cast<THalvexFieldType>(15), static_cast<THalvexBaseFieldType>(7), platform::ftAutoInc},
    {"AUTOINCLARGEINT", static_cast<THalvexFieldType>(16), static_cast<THalvexBaseFieldType>(8), platform::ftLargeint},
    {"AUTOINCBYTE", static_cast<THalvexFieldType>(17), static_cast<THalvexBaseFieldType>(9), platform::ftAutoInc},
    {"AUTOINCWORD", static_cast<THalvexFieldType>(18), static_cast<THalvexBaseFieldType>(10), platform::ftAutoInc},
    {"AUTOINCCARDINAL", static_cast<THalvexFieldType>(19), static_cast<THalvexBaseFieldType>(11), platform::ftAutoInc},
    {"FLOAT", static_cast<THalvexFieldType>(21), static_cast<THalvexBaseFieldType>(13), platform::ftFloat},
    {"SINGLE", static_cast<THalvexFieldType>(20), static_cast<THalvexBaseFieldType>(12), platform::ftFloat},
    {"DOUBLE", static_cast<THalvexFieldType>(21), static_cast<THalvexBaseFieldType>(13), platform::ftFloat},
    {"EXTENDED", static_cast<THalvexFieldType>(22), static_cast<THalvexBaseFieldType>(14), platform::ftFloat},
    {"LOGICAL", static_cast<THalvexFieldType>(23), static_cast<THalvexBaseFieldType>(21), platform::ftBoolean},
    {"BOOLEAN", static_cast<THalvexFieldType>(23), static_cast<THalvexBaseFieldType>(21), platform::ftBoolean},
    {"BOOL", static_cast<THalvexFieldType>(23), static_cast<THalvexBaseFieldType>(21), platform::ftBoolean},
    {"BIT", static_cast<THalvexFieldType>(23), static_cast<THalvexBaseFieldType>(21), platform::ftBoolean},
    {"CURRENCY", static_cast<THalvexFieldType>(24), static_cast<THalvexBaseFieldType>(22), platform::ftCurrency},
    {"MONEY", static_cast<THalvexFieldType>(24), static_cast<THalvexBaseFieldType>(22), platform::ftCurrency},
    {"DATE", static_cast<THalvexFieldType>(25), static_cast<THalvexBaseFieldType>(15), platform::ftDate},
    {"TIME", static_cast<THalvexFieldType>(26), static_cast<THalvexBaseFieldType>(16), platform::ftTime},
    {"DATETIME", static_cast<THalvexFieldType>(27), static_cast<THalvexBaseFieldType>(17), platform::ftDateTime},
    {"TIMESTAMP", static_cast<THalvexFieldType>(28), static_cast<THalvexBaseFieldType>(17), platform::ftTimeStamp},
    {"BYTES", static_cast<THalvexFieldType>(29), static_cast<THalvexBaseFieldType>(23), platform::ftBytes},
    {"VARBYTES", static_cast<THalvexFieldType>(30), static_cast<THalvexBaseFieldType>(24), platform::ftVarBytes},
    {"BLOB", static_cast<THalvexFieldType>(31), static_cast<THalvexBaseFieldType>(18), platform::ftBlob},
    {"BLOB", static_cast<THalvexFieldType>(31), static_cast<THalvexBaseFieldType>(18), platform::ftParadoxOle},
    {"BLOB", static_cast<THalvexFieldType>(31), static_cast<THalvexBaseFieldType>(18), platform::ftTypedBinary},
    {"BLOB", static_cast<THalvexFieldType>(31), static_cast<THalvexBaseFieldType>(18), platform::ftDBaseOle},
    {"GRAPHIC", static_cast<THalvexFieldType>(32), static_cast<THalvexBaseFieldType>(18), platform::ftGraphic},
    {"MEMO", static_cast<THalvexFieldType>(33), static_cast<THalvexBaseFieldType>(19), platform::ftMemo},
    {"CLOB", static_cast<THalvexFieldType>(33), static_cast<THalvexBaseFieldType>(19), platform::ftMemo},
    {"FORMATTEDMEMO", static_cast<THalvexFieldType>(34), static_cast<THalvexBaseFieldType>(19), platform::ftFmtMemo},
    {"WIDEMEMO", static_cast<THalvexFieldType>(35), static_cast<THalvexBaseFieldType>(20), platform::ftWideMemo},
    {"WIDECLOB", static_cast<THalvexFieldType>(35), static_cast<THalvexBaseFieldType>(20), platform::ftWideMemo},
};
constexpr std::uint8_t kCommonTypes[24][24] = {
    { 1,  2,  3,  4,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1, 15, 16, 17,  0,  1,  2,  1,  1,  0,  0},  // 1
    { 2,  2,  2,  4,  2,  2,  2,  2,  2,  2,  2,  2,  2,  2, 15, 16, 17,  0,  1,  2,  2,  2,  0,  0},  // 2
    { 3,  2,  3,  4,  3,  3,  3,  3,  3,  3,  3,  3,  3,  3, 15, 16, 17,  0,  1,  2,  3,  3,  0,  0},  // 3
    { 4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4,  4, 15, 16, 17,  0,  1,  2,  4,  4,  0,  0},  // 4
    { 1,  2,  3,  4,  5,  6,  7,  8,  6, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0,  5, 22,  0,  0},  // 5
    { 1,  2,  3,  4,  6,  6,  7,  8,  6, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0,  6, 22,  0,  0},  // 6
    { 1,  2,  3,  4,  7,  7,  7,  8,  7,  7,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  7, 22,  0,  0},  // 7
    { 1,  2,  3,  4,  8,  8,  8,  8,  8,  8,  8, 12, 13, 14, 15, 16, 17,  0,  0,  0,  8, 22,  0,  0},  // 8
    { 1,  2,  3,  4,  6,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0,  9, 22,  0,  0},  // 9
    { 1,  2,  3,  4,  7,  7,  7,  8, 10, 10, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0, 10, 22,  0,  0},  // 10
    { 1,  2,  3,  4,  8,  8,  8,  8, 11, 11, 11, 12, 13, 14, 15, 16, 17,  0,  0,  0, 11, 22,  0,  0},  // 11
    { 1,  2,  3,  4, 12, 12, 12, 12, 12, 12, 12, 12, 13, 14, 15, 16, 17,  0,  0,  0, 12, 22,  0,  0},  // 12
    { 1,  2,  3,  4, 13, 13, 13, 13, 13, 13, 13, 13, 13, 14, 15, 16, 17,  0,  0,  0, 13, 22,  0,  0},  // 13
    { 1,  2,  3,  4, 14, 14, 14, 14, 14, 14, 14, 14, 14, 14, 15, 16, 17,  0,  0,  0, 14, 22,  0,  0},  // 14
    {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 17, 15,  0,  0,  0,  0,  0,  0,  0},  // 15
    {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 17, 16, 16,  0,  0,  0,  0,  0,  0,  0},  // 16
    {17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 17, 15, 16, 17,  0,  0,  0,  0,  0,  0,  0},  // 17
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 18
    { 1,  2,  3,  4,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 19, 20,  0,  0,  0,  0},  // 19
    { 2,  2,  4,  4,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 20, 20,  0,  0,  0,  0},  // 20
    { 1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14,  0,  0,  0,  0,  0,  0, 21,  0,  0,  0},  // 21
    { 1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14,  0,  0,  0,  0,  0,  0,  0, 22,  0,  0},  // 22
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 23
    { 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0},  // 24
};
static_assert(std::size(kSQLFieldTypes) == 58);

constexpr std::string_view kUnknown = "Unknown";

}  // namespace

std::span<const THalvexFieldTypeDesc> FieldTypeDescs() noexcept { return kFieldTypeDescs; }
std::span<const TSQLFieldType> SQLFieldTypes() noexcept { return kSQLFieldTypes; }

std::string_view FieldTypeDisplayName(std::uint8_t fieldType) noexcept {
  for (const auto& desc : kFieldTypeDescs)
    if (desc.FieldType == fieldType) return desc.DisplayName;
  return kUnknown;
}

THalvexBaseFieldType FieldTypeToBaseType(std::uint8_t fieldType) noexcept {
  for (const auto& row : kSQLFieldTypes)
    if (row.FieldType == fieldType) return row.BaseType;
  return hbtNone;
}

THalvexFieldType BaseTypeToFieldType(std::uint8_t baseType) noexcept {
  for (const auto& row : kSQLFieldTypes)
    if (row.BaseType == baseType) return row.FieldType;
  return hftUnknown;
}

platform::TFieldType FieldTypeToClientKind(std::uint8_t fieldType) noexcept {
  for (const auto& row : kSQLFieldTypes)
    if (row.FieldType == fieldType) return row.ClientKind;
  return platform::ftUnknown;
}

THalvexFieldType ClientKindToFieldType(platform::TFieldType kind) {
  for (const auto& row : kSQLFieldTypes)
    if (row.ClientKind == kind) return row.FieldType;
  RaiseHalvex(30289, THalvexMessage::UnknownDataType, {std::to_string(static_cast<int>(kind))});
}

std::string_view FieldTypeToTypeName(std::uint8_t fieldType) noexcept {
  for (const auto& row : kSQLFieldTypes)
    if (row.FieldType == fieldType) return row.TypeName;
  return kUnknown;
}

std::string_view BaseTypeToTypeName(std::uint8_t baseType) noexcept {
  for (const auto& row : kSQLFieldTypes)
    if (row.BaseType == baseType) return row.TypeName;
  return kUnknown;
}

std::int32_t BaseTypeDataSize(std::uint8_t baseType, std::int32_t size) {
  switch (baseType) {
    case hbtFixedChar:
    case hbtVarChar:
      return size + 1;
    case hbtFixedWideChar:
    case hbtVarWideChar:
      return (size + 1) * 2;
    case hbtInt8:
    case hbtUInt8:
      return 1;
    case hbtInt16:
    case hbtUInt16:
    case hbtLogical:
      return 2;
    case hbtInt32:
    case hbtUInt32:
    case hbtSingle:
    case hbtDate:
    case hbtTime:
      return 4;
    case hbtInt64:
    case hbtDouble:
    case hbtDateTime:
    case hbtBlob:
    case hbtTextBlob:
    case hbtWideTextBlob:
    case hbtCurrency:
      return 8;
    case hbtExtended:
      return 10;
    case hbtBytes:
    case hbtVarBytes:
      return size;
    default:
      RaiseHalvex(30050, THalvexMessage::UnknownDataType, {BaseTypeToTypeName(baseType)});
  }
}

std::int32_t BaseTypeExternalSize(std::uint8_t baseType, std::int32_t dataSize) noexcept {
  return IsVarStringBaseType(baseType) || IsBlobBaseType(baseType) ? 6 : dataSize;
}

THalvexBaseFieldType CommonBaseType(std::uint8_t left, std::uint8_t right) noexcept {
  if (left < 1 || left > kBaseTypeCount || right < 1 || right > kBaseTypeCount) return hbtNone;
  return static_cast<THalvexBaseFieldType>(kCommonTypes[left - 1][right - 1]);
}

THalvexFieldType CommonFieldType(std::uint8_t left, std::uint8_t right) noexcept {
  return BaseTypeToFieldType(CommonBaseType(FieldTypeToBaseType(left), FieldTypeToBaseType(right)));
}

}  // namespace halvex
