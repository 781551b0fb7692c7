#include "engine/storage/data_types.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

// The tables below are the documented tables as written, row for row. The
// tests parse them and hold the code's tables against them, so a slip in
// either one fails.

constexpr const char* kTypeNameTable = R"(
| 1 | CHAR | 1 | 1 | ftFixedChar |
| 2 | FIXEDCHAR | 1 | 1 | ftFixedChar |
| 3 | STRING | 2 | 3 | ftString |
| 4 | VARCHAR | 2 | 3 | ftString |
| 5 | VARCHAR2 | 2 | 3 | ftString |
| 6 | WIDECHAR | 3 | 2 | ftWideString |
| 7 | FIXEDWIDECHAR | 3 | 2 | ftFixedWideChar |
| 8 | WIDESTRING | 4 | 4 | ftWideString |
| 9 | WIDEVARCHAR | 4 | 4 | ftWideString |
| 10 | SIGNEDINT16 | 6 | 6 | ftSmallint |
| 11 | SMALLINT | 6 | 6 | ftSmallint |
| 12 | INTEGER | 7 | 7 | ftInteger |
| 13 | SIGNEDINT32 | 7 | 7 | ftInteger |
| 14 | SIGNEDINT64 | 8 | 8 | ftLargeint |
| 15 | LARGEINT | 8 | 8 | ftLargeint |
| 16 | INT64 | 8 | 8 | ftLargeint |
| 17 | UNSIGNEDINT16 | 10 | 10 | ftWord |
| 18 | WORD | 10 | 10 | ftWord |
| 19 | SIGNEDINT8 | 5 | 5 | ftInteger |
| 20 | SHORTINT | 5 | 5 | ftInteger |
| 21 | UNSIGNEDINT8 | 9 | 9 | ftWord |
| 22 | BYTE | 9 | 9 | ftWord |
| 23 | UNSIGNEDINT32 | 11 | 11 | ftLargeint |
| 24 | CARDINAL | 11 | 11 | ftLargeint |
| 25 | AUTOINC | 12 | 7 | ftAutoInc |
| 26 | AUTOINCSHORTINT | 13 | 5 | ftAutoInc |
| 27 | AUTOINCSMALLINT | 14 | 6 | ftAutoInc |
| 28 | AUTOINCINTEGER | 15 | 7 | ftAutoInc |
| 29 | AUTOINCLARGEINT | 16 | 8 | ftLargeint |
| 30 | AUTOINCBYTE | 17 | 9 | ftAutoInc |
| 31 | AUTOINCWORD | 18 | 10 | ftAutoInc |
| 32 | AUTOINCCARDINAL | 19 | 11 | ftAutoInc |
| 33 | FLOAT | 21 | 13 | ftFloat |
| 34 | SINGLE | 20 | 12 | ftFloat |
| 35 | DOUBLE | 21 | 13 | ftFloat |
| 36 | EXTENDED | 22 | 14 | ftFloat |
| 37 | LOGICAL | 23 | 21 | ftBoolean |
| 38 | BOOLEAN | 23 | 21 | ftBoolean |
| 39 | BOOL | 23 | 21 | ftBoolean |
| 40 | BIT | 23 | 21 | ftBoolean |
| 41 | CURRENCY | 24 | 22 | ftCurrency |
| 42 | MONEY | 24 | 22 | ftCurrency |
| 43 | DATE | 25 | 15 | ftDate |
| 44 | TIME | 26 | 16 | ftTime |
| 45 | DATETIME | 27 | 17 | ftDateTime |
| 46 | TIMESTAMP | 28 | 17 | ftTimeStamp |
| 47 | BYTES | 29 | 23 | ftBytes |
| 48 | VARBYTES | 30 | 24 | ftVarBytes |
| 49 | BLOB | 31 | 18 | ftBlob |
| 50 | BLOB | 31 | 18 | ftParadoxOle |
| 51 | BLOB | 31 | 18 | ftTypedBinary |
| 52 | BLOB | 31 | 18 | ftDBaseOle |
| 53 | GRAPHIC | 32 | 18 | ftGraphic |
| 54 | MEMO | 33 | 19 | ftMemo |
| 55 | CLOB | 33 | 19 | ftMemo |
| 56 | FORMATTEDMEMO | 34 | 19 | ftFmtMemo |
| 57 | WIDEMEMO | 35 | 20 | ftWideMemo |
| 58 | WIDECLOB | 35 | 20 | ftWideMemo |)";

constexpr const char* kDisplayNameTable = R"(
| 1 | Char | 1 | 19 | AutoIncCardinal | 11 |
| 2 | Varchar | 3 | 20 | Single | 12 |
| 3 | WideChar | 2 | 21 | Double | 13 |
| 4 | WideVarchar | 4 | 22 | Extended | 14 |
| 5 | ShortInt | 5 | 23 | Boolean | 21 |
| 6 | SmallInt | 6 | 24 | Currency | 22 |
| 7 | Integer | 7 | 25 | Date | 15 |
| 8 | LargeInt | 8 | 26 | Time | 16 |
| 9 | Byte | 9 | 27 | DateTime | 17 |
| 10 | Word | 10 | 28 | TimeStamp | 17 |
| 11 | Cardinal | 11 | 29 | Bytes | 23 |
| 12 | AutoInc | 7 | 30 | VarBytes | 24 |
| 13 | AutoIncShortInt | 5 | 31 | BLOB | 18 |
| 14 | AutoIncSmallInt | 6 | 32 | Graphic | 18 |
| 15 | AutoIncInteger | 7 | 33 | Memo | 19 |
| 16 | AutoIncLargeInt | 8 | 34 | FormattedMemo | 19 |
| 17 | AutoIncByte | 9 | 35 | WideMemo | 20 |
| 18 | AutoIncWord | 10 | | | |)";

constexpr const char* kCommonTypeTable = R"(
| 1 | 1 | 2 | 3 | 4 | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 1 | 15 | 16 | 17 | 0 | 1 | 2 | 1 | 1 | 0 | 0 |
| 2 | 2 | 2 | 2 | 4 | 2 | 2 | 2 | 2 | 2 | 2 | 2 | 2 | 2 | 2 | 15 | 16 | 17 | 0 | 1 | 2 | 2 | 2 | 0 | 0 |
| 3 | 3 | 2 | 3 | 4 | 3 | 3 | 3 | 3 | 3 | 3 | 3 | 3 | 3 | 3 | 15 | 16 | 17 | 0 | 1 | 2 | 3 | 3 | 0 | 0 |
| 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 4 | 15 | 16 | 17 | 0 | 1 | 2 | 4 | 4 | 0 | 0 |
| 5 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 6 | 10 | 11 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 5 | 22 | 0 | 0 |
| 6 | 1 | 2 | 3 | 4 | 6 | 6 | 7 | 8 | 6 | 10 | 11 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 6 | 22 | 0 | 0 |
| 7 | 1 | 2 | 3 | 4 | 7 | 7 | 7 | 8 | 7 | 7 | 8 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 7 | 22 | 0 | 0 |
| 8 | 1 | 2 | 3 | 4 | 8 | 8 | 8 | 8 | 8 | 8 | 8 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 8 | 22 | 0 | 0 |
| 9 | 1 | 2 | 3 | 4 | 6 | 6 | 7 | 8 | 9 | 10 | 11 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 9 | 22 | 0 | 0 |
| 10 | 1 | 2 | 3 | 4 | 7 | 7 | 7 | 8 | 10 | 10 | 11 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 10 | 22 | 0 | 0 |
| 11 | 1 | 2 | 3 | 4 | 8 | 8 | 8 | 8 | 11 | 11 | 11 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 11 | 22 | 0 | 0 |
| 12 | 1 | 2 | 3 | 4 | 12 | 12 | 12 | 12 | 12 | 12 | 12 | 12 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 12 | 22 | 0 | 0 |
| 13 | 1 | 2 | 3 | 4 | 13 | 13 | 13 | 13 | 13 | 13 | 13 | 13 | 13 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 13 | 22 | 0 | 0 |
| 14 | 1 | 2 | 3 | 4 | 14 | 14 | 14 | 14 | 14 | 14 | 14 | 14 | 14 | 14 | 15 | 16 | 17 | 0 | 0 | 0 | 14 | 22 | 0 | 0 |
| 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 15 | 17 | 15 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |
| 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 16 | 17 | 16 | 16 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |
| 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 17 | 15 | 16 | 17 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |
| 18 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |
| 19 | 1 | 2 | 3 | 4 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 19 | 20 | 0 | 0 | 0 | 0 |
| 20 | 2 | 2 | 4 | 4 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 20 | 20 | 0 | 0 | 0 | 0 |
| 21 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10 | 11 | 12 | 13 | 14 | 0 | 0 | 0 | 0 | 0 | 0 | 21 | 0 | 0 | 0 |
| 22 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8 | 9 | 10 | 11 | 12 | 13 | 14 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 22 | 0 | 0 |
| 23 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |
| 24 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 | 0 |)";

// Cells of each "| a | b | ... |" line.
std::vector<std::vector<std::string>> ParseRows(const char* table) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(table);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() < 2 || line[0] != '|') continue;
    std::vector<std::string> cells;
    std::size_t start = 1;
    while (start < line.size()) {
      const std::size_t end = line.find('|', start);
      if (end == std::string::npos) break;
      std::string cell = line.substr(start, end - start);
      const std::size_t first = cell.find_first_not_of(' ');
      const std::size_t last = cell.find_last_not_of(' ');
      cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
      start = end + 1;
    }
    rows.push_back(cells);
  }
  return rows;
}

const std::map<std::string, platform::TFieldType>& ClientKinds() {
  using namespace platform;
  static const std::map<std::string, TFieldType> kinds = {
      {"ftFixedChar", ftFixedChar}, {"ftString", ftString},         {"ftWideString", ftWideString},
      {"ftFixedWideChar", ftFixedWideChar}, {"ftSmallint", ftSmallint}, {"ftInteger", ftInteger},
      {"ftLargeint", ftLargeint},   {"ftWord", ftWord},             {"ftAutoInc", ftAutoInc},
      {"ftFloat", ftFloat},         {"ftBoolean", ftBoolean},       {"ftCurrency", ftCurrency},
      {"ftDate", ftDate},           {"ftTime", ftTime},             {"ftDateTime", ftDateTime},
      {"ftTimeStamp", ftTimeStamp}, {"ftBytes", ftBytes},           {"ftVarBytes", ftVarBytes},
      {"ftBlob", ftBlob},           {"ftParadoxOle", ftParadoxOle}, {"ftTypedBinary", ftTypedBinary},
      {"ftDBaseOle", ftDBaseOle},   {"ftGraphic", ftGraphic},       {"ftMemo", ftMemo},
      {"ftFmtMemo", ftFmtMemo},     {"ftWideMemo", ftWideMemo},
  };
  return kinds;
}

TEST(TypeNameTable, EveryRowInOrder) {
  const auto rows = ParseRows(kTypeNameTable);
  const auto table = SQLFieldTypes();
  ASSERT_EQ(rows.size(), 58u);
  ASSERT_EQ(table.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + rows[i][0]);
    EXPECT_EQ(std::stoi(rows[i][0]), static_cast<int>(i) + 1);
    EXPECT_EQ(table[i].TypeName, rows[i][1]);
    EXPECT_EQ(table[i].FieldType, std::stoi(rows[i][2]));
    EXPECT_EQ(table[i].BaseType, std::stoi(rows[i][3]));
    ASSERT_TRUE(ClientKinds().count(rows[i][4])) << rows[i][4];
    EXPECT_EQ(table[i].ClientKind, ClientKinds().at(rows[i][4]));
  }
}

// Every first-match conversion, computed from the documented rows.
TEST(TypeNameTable, ConversionsTakeTheFirstMatchingRow) {
  const auto rows = ParseRows(kTypeNameTable);
  for (int engine = 0; engine <= 40; ++engine) {
    std::string name = "Unknown";
    int base = 0;
    platform::TFieldType kind = platform::ftUnknown;
    for (const auto& row : rows)
      if (std::stoi(row[2]) == engine) {
        name = row[1], base = std::stoi(row[3]), kind = ClientKinds().at(row[4]);
        break;
      }
    SCOPED_TRACE("engine type " + std::to_string(engine));
    EXPECT_EQ(FieldTypeToTypeName(static_cast<std::uint8_t>(engine)), name);
    EXPECT_EQ(FieldTypeToBaseType(static_cast<std::uint8_t>(engine)), base);
    EXPECT_EQ(FieldTypeToClientKind(static_cast<std::uint8_t>(engine)), kind);
  }
  for (int base = 0; base <= 30; ++base) {
    std::string name = "Unknown";
    int engine = 0;
    for (const auto& row : rows)
      if (std::stoi(row[3]) == base) {
        name = row[1], engine = std::stoi(row[2]);
        break;
      }
    SCOPED_TRACE("base type " + std::to_string(base));
    EXPECT_EQ(BaseTypeToTypeName(static_cast<std::uint8_t>(base)), name);
    EXPECT_EQ(BaseTypeToFieldType(static_cast<std::uint8_t>(base)), engine);
  }
  for (const auto& [kindName, kind] : ClientKinds()) {
    int engine = 0;
    for (const auto& row : rows)
      if (row[4] == kindName) {
        engine = std::stoi(row[2]);
        break;
      }
    EXPECT_EQ(ClientKindToFieldType(kind), engine) << kindName;
  }
}

TEST(TypeNameTable, DocumentedExamples) {
  EXPECT_EQ(ClientKindToFieldType(platform::ftString), hftVarchar);
  EXPECT_EQ(ClientKindToFieldType(platform::ftLargeint), hftLargeInt);
  EXPECT_EQ(ClientKindToFieldType(platform::ftWord), hftWord);
  EXPECT_EQ(ClientKindToFieldType(platform::ftWideString), hftWideChar);
  EXPECT_EQ(FieldTypeToClientKind(hftCardinal), platform::ftLargeint);
  EXPECT_EQ(FieldTypeToClientKind(hftAutoIncLargeInt), platform::ftLargeint);
  EXPECT_EQ(FieldTypeToClientKind(hftShortInt), platform::ftInteger);
  EXPECT_EQ(FieldTypeToClientKind(hftByte), platform::ftWord);
}

TEST(TypeNameTable, UnknownClientKindRaises) {
  const auto e = testing::Raised([] { ClientKindToFieldType(platform::ftBCD); });
  EXPECT_EQ(e.Message(), "Unknown DataType: '8' - Native error: 30289");
  EXPECT_EQ(e.NativeError(), 30289);
}

TEST(DisplayNames, EveryEngineType) {
  std::map<int, std::string> documented;
  for (const auto& row : ParseRows(kDisplayNameTable)) {
    documented[std::stoi(row[0])] = row[1];
    if (!row[3].empty()) documented[std::stoi(row[3])] = row[4];
  }
  ASSERT_EQ(documented.size(), 35u);
  ASSERT_EQ(FieldTypeDescs().size(), 35u);
  for (const auto& [number, name] : documented) {
    EXPECT_EQ(FieldTypeDisplayName(static_cast<std::uint8_t>(number)), name) << number;
  }
  // Engine type -> base type of the display table agrees with the type-name table.
  for (const auto& row : ParseRows(kDisplayNameTable)) {
    EXPECT_EQ(FieldTypeToBaseType(static_cast<std::uint8_t>(std::stoi(row[0]))), std::stoi(row[2])) << row[1];
    if (!row[3].empty()) {
      EXPECT_EQ(FieldTypeToBaseType(static_cast<std::uint8_t>(std::stoi(row[3]))), std::stoi(row[5])) << row[4];
    }
  }
  // The BLOB family follows TimeStamp in its documented order.
  std::vector<std::string_view> tail;
  for (std::size_t i = 28; i < FieldTypeDescs().size(); ++i) tail.push_back(FieldTypeDescs()[i].DisplayName);
  EXPECT_EQ(tail, (std::vector<std::string_view>{"Memo", "WideMemo", "FormattedMemo", "BLOB", "Graphic", "Bytes",
                                                  "VarBytes"}));
  EXPECT_EQ(FieldTypeDisplayName(36), "Unknown");
}

TEST(CommonTypeTable, EveryCell) {
  const auto rows = ParseRows(kCommonTypeTable);
  ASSERT_EQ(rows.size(), 24u);
  for (int left = 1; left <= 24; ++left) {
    const auto& row = rows[static_cast<std::size_t>(left - 1)];
    ASSERT_EQ(row.size(), 25u);
    ASSERT_EQ(std::stoi(row[0]), left);
    for (int right = 1; right <= 24; ++right)
      EXPECT_EQ(CommonBaseType(static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(right)),
                std::stoi(row[static_cast<std::size_t>(right)]))
          << left << " with " << right;
  }
  EXPECT_EQ(CommonBaseType(0, 7), 0);
  EXPECT_EQ(CommonBaseType(7, 25), 0);
  // Not symmetric: the left operand is the row.
  EXPECT_EQ(CommonBaseType(hbtCurrency, hbtSingle), hbtSingle);
  EXPECT_EQ(CommonBaseType(hbtSingle, hbtCurrency), hbtCurrency);
  // Engine types go through their base types and back.
  EXPECT_EQ(CommonFieldType(hftInteger, hftDouble), hftDouble);
  EXPECT_EQ(CommonFieldType(hftDate, hftTime), hftDateTime);
}

struct SizeCase {
  std::uint8_t base;
  std::int32_t size;
  std::int32_t dataSize;
  std::int32_t externalSize;
};

TEST(BaseTypeSizes, EveryBaseType) {
  // Storage bytes of each base type for a declared size of 10.
  const SizeCase cases[] = {
      {1, 10, 11, 11}, {2, 10, 22, 22}, {3, 10, 11, 6}, {4, 10, 22, 6}, {5, 10, 1, 1},   {6, 10, 2, 2},
      {7, 10, 4, 4},   {8, 10, 8, 8},   {9, 10, 1, 1},  {10, 10, 2, 2}, {11, 10, 4, 4},  {12, 10, 4, 4},
      {13, 10, 8, 8},  {14, 10, 10, 10}, {15, 10, 4, 4}, {16, 10, 4, 4}, {17, 10, 8, 8},  {18, 10, 8, 6},
      {19, 10, 8, 6},  {20, 10, 8, 6},  {21, 10, 2, 2}, {22, 10, 8, 8}, {23, 10, 10, 10}, {24, 10, 10, 10},
  };
  for (const auto& c : cases) {
    const std::int32_t dataSize = BaseTypeDataSize(c.base, c.size);
    EXPECT_EQ(dataSize, c.dataSize) << int(c.base);
    EXPECT_EQ(BaseTypeExternalSize(c.base, dataSize), c.externalSize) << int(c.base);
  }
}

TEST(BaseTypeSizes, UnknownBaseTypeRaises) {
  for (std::uint8_t base : {std::uint8_t{0}, std::uint8_t{25}}) {
    const auto e = testing::Raised([&] { BaseTypeDataSize(base, 1); });
    EXPECT_EQ(e.Message(), "Unknown DataType: 'Unknown' - Native error: 30050");
  }
}

TEST(Predicates, ByNumber) {
  auto members = [](bool (*predicate)(std::uint8_t), int limit) {
    std::vector<int> out;
    for (int t = 0; t <= limit; ++t)
      if (predicate(static_cast<std::uint8_t>(t))) out.push_back(t);
    return out;
  };
  using V = std::vector<int>;
  EXPECT_EQ(members([](std::uint8_t t) { return IsBlobBaseType(t); }, 30), (V{18, 19, 20}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsBlobFieldType(t); }, 40), (V{31, 32, 33, 34, 35}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsVarStringBaseType(t); }, 30), (V{3, 4}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsStringFieldType(t); }, 40), (V{1, 2, 3, 4}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsWideFieldType(t); }, 40), (V{3, 4, 35}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsWideBaseType(t); }, 30), (V{2, 4, 20}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsAutoIncFieldType(t); }, 40), (V{12, 13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsBytesFieldType(t); }, 40), (V{29, 30}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsNumericBaseType(t); }, 30), (V{5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 22}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsIntegerBaseType(t); }, 30), (V{5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(members([](std::uint8_t t) { return IsDateTimeBaseType(t); }, 30), (V{15, 16, 17}));
}

}  // namespace
}  // namespace halvex
