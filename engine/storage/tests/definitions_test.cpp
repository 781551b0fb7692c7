#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <vector>

#include "engine/storage/constraint_def.h"
#include "engine/storage/field_def.h"
#include "engine/storage/field_values.h"
#include "engine/storage/index_def.h"
#include "engine/storage/object_names.h"
#include "engine/storage/sequence_def.h"
#include "platform/rtl/code_page.h"
#include "platform/rtl/locale.h"
#include "tests/support/halvex_errors.h"

namespace halvex {
namespace {

using testing::Raised;

class Definitions : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetUserLocale("hu_HU");
    platform::SetAnsiCodePage(1250);
  }
  void TearDown() override {
    platform::SetAnsiCodePage(0);
    platform::SetUserLocale("");
  }
};

struct FieldSizeCase {
  const char* typeName;
  std::uint8_t fieldType;
  std::int32_t size;
  std::int32_t dataSize;
};

TEST_F(Definitions, FieldSizesOfTheEdgeCases) {
  const FieldSizeCase cases[] = {
      {"VARCHAR(100)", hftVarchar, 100, 101}, {"WIDEVARCHAR(10)", hftWideVarchar, 10, 22},
      {"BOOLEAN", hftBoolean, 0, 2},          {"EXTENDED", hftExtended, 0, 10},
      {"BLOB", hftBlob, 0, 8},                {"GRAPHIC", hftGraphic, 0, 8},
      {"MEMO", hftMemo, 0, 8},                {"FORMATTEDMEMO", hftFormattedMemo, 0, 8},
      {"WIDEMEMO", hftWideMemo, 0, 8},
  };
  for (const auto& c : cases) {
    THalvexFieldDef field;
    field.SetFieldType(c.fieldType, c.size);
    EXPECT_EQ(field.DataSize(), c.dataSize) << c.typeName;
  }
}

TEST_F(Definitions, UnsupportedFieldTypeRaises) {
  THalvexFieldDef field;
  field.SetFieldType(hftInteger, 0);
  const auto e = Raised([&] { field.SetFieldType(36, 0); });
  EXPECT_EQ(e.Message(), "Unsuported data type 'Unknown' - Native error: 30007");
  EXPECT_EQ(field.FieldType(), hftInteger);  // unchanged
}

TEST_F(Definitions, LayoutOffsetsBitmapAndFlags) {
  struct Case {
    int fields;
    std::int32_t bitmap;
  };
  for (const Case c : {Case{1, 1}, Case{8, 1}, Case{9, 2}, Case{16, 2}, Case{17, 3}}) {
    THalvexFieldDefs defs;
    for (int i = 0; i < c.fields; ++i) defs.AddField("F" + std::to_string(i), hftInteger, 0);
    defs.ComputeLayout();
    EXPECT_EQ(defs.NullBitmapSize(), c.bitmap) << c.fields;
    EXPECT_EQ(defs.Items(0)->MemoryOffset, c.bitmap);
    EXPECT_EQ(defs.RecordSize(), c.bitmap + 4 * c.fields);
  }
  THalvexFieldDefs defs;
  defs.AddField("Id", hftAutoInc, 0);
  defs.AddField("Title", hftVarchar, 100);
  defs.AddField("Picture", hftBlob, 0);
  defs.AddField("Flag", hftBoolean, 0);
  defs.ComputeLayout();
  const std::int32_t memory[] = {1, 5, 106, 114};
  const std::int32_t external[] = {1, 5, 11, 17};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(defs.Items(i)->MemoryOffset, memory[i]) << i;
    EXPECT_EQ(defs.Items(i)->ExternalOffset, external[i]) << i;
  }
  EXPECT_EQ(defs.RecordSize(), 116);
  EXPECT_TRUE(defs.HasBlobsOrVarStrings());
  EXPECT_TRUE(defs.HasAutoIncs());
  EXPECT_FALSE(defs.HasDefaults());
  defs.Items(3)->DefaultValue.SetAsLogical(true);
  defs.ComputeLayout();
  EXPECT_TRUE(defs.HasDefaults());
}

TEST_F(Definitions, NameLookupIgnoresCaseThroughTheLocale) {
  THalvexIndexDefs indexes;
  auto* byTitle = static_cast<THalvexIndexDef*>(indexes.InternalAddCreated(nullptr));
  byTitle->SetName("ByTitle");
  byTitle->ObjectID = 7;
  auto* accented = static_cast<THalvexIndexDef*>(indexes.InternalAddCreated(nullptr));
  accented->SetName("\xC1rv\xEDzt\xFBr\xF5");  // Árvíztűrő in windows-1250
  accented->ObjectID = 8;
  EXPECT_EQ(indexes.FindByName("bytitle"), byTitle);
  EXPECT_EQ(indexes.IndexOfName("BYTITLE"), 0);
  EXPECT_EQ(indexes.IndexOfName("\xE1RV\xCDZT\xDBR\xD5"), 1);  // áRVÍZTŰRŐ
  EXPECT_EQ(indexes.IndexOfName("ByTitles"), -1);
  EXPECT_EQ(indexes.FindByObjectID(8), accented);
  EXPECT_EQ(indexes.IndexOfObjectID(9), -1);
}

TEST_F(Definitions, NamesAreShortStrings) {
  THalvexSequenceDef sequence;
  sequence.SetName(std::string(300, 'x'));
  EXPECT_EQ(sequence.Name().size(), 255u);
}

TEST_F(Definitions, AssignCopiesEveryFieldAndRefusesDuplicates) {
  THalvexFieldDefs source;
  auto* title = source.AddField("Title", hftVarchar, 100);
  title->ObjectID = 3;
  title->AuxName = "aux";
  title->AuxID = 5;
  title->DefaultValue.SetAsString("untitled");
  title->BlobBlockSize = 4096;
  source.AddField("Body", hftMemo, 0)->Cycled = 255;
  THalvexFieldDefs copy;
  copy.Assign(source);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Items(0)->Name(), "Title");
  EXPECT_EQ(copy.Items(0)->ObjectID, 3);
  EXPECT_EQ(copy.Items(0)->AuxName, "aux");
  EXPECT_EQ(copy.Items(0)->AuxID, 5);
  EXPECT_EQ(copy.Items(0)->DataSize(), 101);
  EXPECT_EQ(copy.Items(0)->DefaultValue.AsString(), "untitled");
  EXPECT_NE(copy.Items(0)->DefaultValue.Data(), title->DefaultValue.Data());  // owned copy
  EXPECT_EQ(copy.Items(0)->BlobBlockSize, 4096);
  EXPECT_EQ(copy.Items(1)->Cycled, 255);
  EXPECT_TRUE(copy.HasDefaults());  // the layout pass ran

  source.AddField("title", hftInteger, 0);
  const auto e = Raised([&] { copy.Assign(source); });
  EXPECT_EQ(e.Message(), "Duplicate field name title - Native error: 10424");
}

TEST_F(Definitions, BaseListHasNoCreatedDefinitions) {
  THalvexMetaObjectDefs list;
  THalvexSequenceDefs sequences;
  sequences.InternalAddCreated(nullptr)->SetName("S");
  const auto e = Raised([&] { list.Assign(sequences); });
  EXPECT_EQ(e.Message(),
            "The method 'InternalAddCreated' not overrided in class 'THalvexMetaObjectDefs' - Native error: 30339");
}

TEST_F(Definitions, ListIndexChecks) {
  THalvexSequenceDefs list;
  list.InternalAddCreated(nullptr)->SetName("A");
  list.InternalAddCreated(nullptr)->SetName("B");
  list.Move(0, 1);
  EXPECT_EQ(list.Items(0)->Name(), "B");
  EXPECT_EQ(Raised([&] { list.Delete(2); }).Message(),
            "Invalid item number - ItemNo = 2, ItemCount = 2 - Native error: 10433");
  EXPECT_EQ(Raised([&] { list.Items(-1); }).NativeError(), 10436);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0)->Name(), "A");
}

// A constraint kind the lists do not know.
class UnknownConstraint : public THalvexConstraintDef {
 public:
  UnknownConstraint() : THalvexConstraintDef(6) {}
};

TEST_F(Definitions, ConstraintListCreatesTheClassOfEachType) {
  THalvexConstraintDefs source;
  for (std::uint8_t type = 0; type <= 5; ++type) {
    auto definition = CreateConstraintDef(type, 30035);
    definition->SetName("C" + std::to_string(type));
    if (type == kConstraintCheck) static_cast<THalvexConstraintDefCheck&>(*definition).MaxValue.SetAsInt32(9);
    if (type == kConstraintForeignKeyAction)
      static_cast<THalvexConstraintDefForeignKeyAction&>(*definition).DeleteAction = 0;
    source.Add(std::move(definition));
  }
  THalvexConstraintDefs copy;
  copy.Assign(source);
  const char* classes[] = {"THalvexConstraintDefPrimary",     "THalvexConstraintDefForeignKey",
                           "THalvexConstraintDefUnique",      "THalvexConstraintDefNotNull",
                           "THalvexConstraintDefCheck",       "THalvexConstraintDefForeignKeyAction"};
  for (int i = 0; i <= 5; ++i) {
    EXPECT_EQ(copy.Items(i)->ConstraintType(), i);
    EXPECT_STREQ(copy.Items(i)->ClassName(), classes[i]);
  }
  EXPECT_EQ(static_cast<THalvexConstraintDefCheck*>(copy.Items(4))->MaxValue.AsInt32(), 9);
  EXPECT_TRUE(copy.HasForeignKeys());
  EXPECT_TRUE(copy.HasForeignKeyActions());
  EXPECT_TRUE(copy.HasDeleteActions());
  EXPECT_FALSE(copy.HasUpdateActions());
  copy.Delete(5);
  EXPECT_FALSE(copy.HasForeignKeyActions());
  EXPECT_FALSE(copy.HasDeleteActions());
  EXPECT_TRUE(copy.HasForeignKeys());
  copy.Delete(1);
  EXPECT_FALSE(copy.HasForeignKeys());

  source.Add(std::make_unique<UnknownConstraint>());
  const auto e = Raised([&] { copy.Assign(source); });
  EXPECT_EQ(e.Message(), "Not implemented yet - Native error: 30035");
}

TEST_F(Definitions, PrimaryIndexAndSetItem) {
  THalvexIndexDefs indexes;
  indexes.InternalAddCreated(nullptr)->SetName("A");
  auto* primary = static_cast<THalvexIndexDef*>(indexes.InternalAddCreated(nullptr));
  primary->Primary = 1;
  EXPECT_EQ(indexes.PrimaryIndex(), primary);
  auto replacement = std::make_unique<THalvexIndexDef>();
  replacement->SetName("R");
  indexes.SetItem(1, std::move(replacement));
  EXPECT_EQ(indexes.GetItem(1)->Name(), "R");
  EXPECT_EQ(indexes.PrimaryIndex(), nullptr);
  EXPECT_EQ(Raised([&] { indexes.GetItem(2); }).NativeError(), 10437);
}

TEST_F(Definitions, FindIndexByColumns) {
  THalvexIndexDefs indexes;
  auto add = [&](std::int32_t id, std::vector<THalvexIndexColumn> columns) {
    auto* index = static_cast<THalvexIndexDef*>(indexes.InternalAddCreated(nullptr));
    index->ObjectID = id;
    index->Columns = std::move(columns);
  };
  add(1, {{"Title", 0, 0}});
  add(2, {{"Title", 1, 1}, {"Year", 0, 0}});
  add(3, {{"Title", 0, 1}, {"Year", 1, 0}});
  using V = std::vector<std::string>;
  struct Case {
    V names, directions, options;
    std::int32_t expected;
  };
  const Case cases[] = {
      {{"title"}, {"ASC"}, {"CASE"}, 1},
      {{"TITLE"}, {"DESC"}, {""}, 2},
      {{"Title"}, {"ASC"}, {"NO_CASE"}, 3},
      {{"Title", "year"}, {"", ""}, {"", ""}, 2},
      {{"Title", "Year"}, {"ASC", "DESC"}, {"", ""}, 3},
      {{"Title", "Year"}, {"ASC", "ASC"}, {"", ""}, -1},
      {{"Year"}, {""}, {""}, -1},
      {{"Title", "Year", "Extra"}, {"", "", ""}, {"", "", ""}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(FindIndexByColumns(&indexes, &c.names, &c.directions, &c.options), c.expected);
  const V one{"a"}, two{"a", "b"};
  EXPECT_EQ(Raised([&] { FindIndexByColumns(&indexes, &one, &two, &one); }).Message(),
            "Error - different lists length. L1 = 1, L2 = 2 - Native error: 10276");
  EXPECT_EQ(Raised([&] { FindIndexByColumns(&indexes, &one, &one, &two); }).NativeError(), 10277);
  EXPECT_EQ(Raised([&] { FindIndexByColumns(&indexes, nullptr, &one, &one); }).Message(),
            "Nil pointer occured - Native error: 10389");
  EXPECT_EQ(Raised([&] { FindIndexByColumns(&indexes, &one, nullptr, &one); }).NativeError(), 10390);
  EXPECT_EQ(Raised([&] { FindIndexByColumns(&indexes, &one, &one, nullptr); }).NativeError(), 10391);
}

class FieldValues : public Definitions {
 protected:
  void SetUp() override {
    Definitions::SetUp();
    defs.AddField("Title", hftVarchar, 100);
    defs.AddField("Wide", hftWideVarchar, 3);
    defs.AddField("Count", hftInteger, 0);
    defs.AddField("Picture", hftBlob, 0);
    defs.ComputeLayout();
    record.assign(static_cast<std::size_t>(defs.RecordSize()), 0xEE);
    record[0] = 0;
  }
  THalvexFieldDefs defs;
  std::vector<std::uint8_t> record;
};

TEST_F(FieldValues, StringsAreCutAndEmptyIsNull) {
  const std::string long150(150, 'q');
  SetFieldValue(0, defs, long150.c_str(), record.data());
  char out[128] = {};
  ASSERT_TRUE(GetFieldValue(0, defs, out, record.data()));
  EXPECT_EQ(std::string(out), std::string(100, 'q'));

  SetFieldValue(0, defs, "", record.data());
  EXPECT_FALSE(GetFieldValue(0, defs, nullptr, record.data()));
  SetFieldValue(0, defs, "abc", record.data());
  EXPECT_TRUE(GetFieldValue(0, defs, nullptr, record.data()));
  SetFieldValue(0, defs, nullptr, record.data());
  EXPECT_TRUE(FieldIsNull(record.data(), 0));

  const char16_t wide[] = u"abcdef";
  SetFieldValue(1, defs, wide, record.data());
  const void* address = nullptr;
  ASSERT_TRUE(GetFieldValue(1, defs, &address, record.data()));
  EXPECT_EQ(address, record.data() + defs.Items(1)->MemoryOffset);
  std::u16string stored(3, u'\0');
  std::memcpy(stored.data(), address, 6);
  EXPECT_EQ(stored, u"abc");
  EXPECT_EQ(static_cast<const std::uint8_t*>(address)[6], 0);
  EXPECT_EQ(static_cast<const std::uint8_t*>(address)[7], 0);
}

TEST_F(FieldValues, OtherTypesCopyTheirBytes) {
  const std::int32_t count = -42;
  SetFieldValue(2, defs, &count, record.data());
  std::int32_t out = 0;
  ASSERT_TRUE(GetFieldValue(2, defs, &out, record.data()));
  EXPECT_EQ(out, -42);
  // BLOBs are read through streams: only their NULL state is reported.
  const std::uint8_t slot[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SetFieldValue(3, defs, slot, record.data());
  std::uint8_t blobOut[8] = {};
  EXPECT_TRUE(GetFieldValue(3, defs, blobOut, record.data()));
  EXPECT_EQ(blobOut[0], 0);
}

TEST_F(FieldValues, ErrorsCarryTheirCodes) {
  EXPECT_EQ(Raised([&] { GetFieldValue(4, defs, nullptr, record.data()); }).Message(),
            "Invalid field number - FieldNo = 4, FieldCount = 4 - Native error: 10000");
  EXPECT_EQ(Raised([&] { SetFieldValue(4, defs, nullptr, record.data()); }).NativeError(), 10004);
  // A field added without a layout pass lies outside the record.
  defs.AddField("Late", hftLargeInt, 0);
  defs.Items(4)->MemoryOffset = defs.RecordSize();
  const std::int64_t v = 1;
  record[0] = 0;
  SetFieldNull(record.data(), 4, false);
  EXPECT_EQ(Raised([&] { SetFieldValue(4, defs, &v, record.data()); }).NativeError(), 10732);
  char buf[8];
  EXPECT_EQ(Raised([&] { GetFieldValue(4, defs, buf, record.data()); }).Message(),
            "Error getting field data - FieldNo = 4, MemoryOffset = 122, MemoryDataSize = 8 - Native error: 10002");
}

TEST_F(FieldValues, NewRecordDefaultsAndAutoIncrements) {
  THalvexFieldDefs table;
  table.AddField("Id", hftAutoIncSmallInt, 0);
  auto* title = table.AddField("Title", hftVarchar, 5);
  title->DefaultValue.SetAsString("untitled");
  auto* count = table.AddField("Count", hftInteger, 0);
  count->DefaultValue.SetAsString("12");  // stored in the field's own form
  table.AddField("Plain", hftInteger, 0);
  table.ComputeLayout();
  std::vector<std::uint8_t> row(static_cast<std::size_t>(table.RecordSize()), 0);
  row[0] = 0x0F;
  InitNewRecordValues(table, row.data(), true, [](const THalvexFieldDef&) { return std::int64_t{0x10203}; });
  std::int16_t id = 0;
  ASSERT_TRUE(GetFieldValue(0, table, &id, row.data()));
  EXPECT_EQ(id, 0x0203);  // the low-order bytes
  char text[8] = {};
  ASSERT_TRUE(GetFieldValue(1, table, text, row.data()));
  EXPECT_STREQ(text, "untit");
  std::int32_t value = 0;
  ASSERT_TRUE(GetFieldValue(2, table, &value, row.data()));
  EXPECT_EQ(value, 12);
  EXPECT_FALSE(GetFieldValue(3, table, nullptr, row.data()));

  row[0] = 0x0F;
  InitNewRecordValues(table, row.data(), false, nullptr);
  EXPECT_FALSE(GetFieldValue(0, table, nullptr, row.data()));
}

TEST_F(Definitions, EngineMadeNames) {
  THalvexConstraintDefs list;
  THalvexConstraintDefNotNull notNull;
  notNull.Table.Name = "Album";
  notNull.Field.Name = "Title";
  NameUnnamedConstraint(notNull, list);
  EXPECT_EQ(notNull.Name(), "$C_NotNull$Album$Title");
  list.InternalAddCreated(nullptr)->SetName(notNull.Name());
  THalvexConstraintDefNotNull second;
  second.Table.Name = "Album";
  second.Field.Name = "Title";
  NameUnnamedConstraint(second, list);
  EXPECT_TRUE(std::regex_match(second.Name(), std::regex(R"(\$C_NotNull\$Album\$Title\d{1,5})"))) << second.Name();

  THalvexConstraintDefCheck check;
  check.Table.Name = "T";
  check.Field.Name = "F";
  NameUnnamedConstraint(check, list);
  EXPECT_EQ(check.Name(), "$C_Check$T$F");

  THalvexSequenceDefs sequences;
  EXPECT_EQ(AutoIncSequenceName("Album", "RecID", sequences), "$S_Autoinc$Album$RecID");
  EXPECT_EQ(LinkedSequenceName("Album", "RecID", sequences), "$S_Linked$Album$RecID");

  const std::regex suffix(R"(\d+-\d+)");
  EXPECT_TRUE(std::regex_match(UniqueNameSuffix(), suffix));
  THalvexConstraintDefForeignKey key;
  NameUnnamedConstraint(key, list);
  EXPECT_TRUE(std::regex_match(key.Name(), std::regex(R"(FOREIGN_KEY_\d+-\d+)"))) << key.Name();

  THalvexConstraintDefForeignKeyAction mirror;
  mirror.Partner.Name = "FK1";
  NameUnnamedConstraint(mirror, list);
  EXPECT_EQ(mirror.Name(), "FK1_Action");
  list.InternalAddCreated(nullptr)->SetName("FK1_Action");
  EXPECT_TRUE(std::regex_match(ForeignKeyActionName("FK1", list), std::regex(R"(FK1_Action_\d+-\d+)")));

  for (std::uint8_t type : {kConstraintPrimary, kConstraintUnique}) {
    auto unnamed = CreateConstraintDef(type, 30035);
    EXPECT_EQ(Raised([&] { NameUnnamedConstraint(*unnamed, list); }).Message(),
              "Not implemented yet - Native error: 30038");
  }
}

TEST_F(Definitions, DefaultsOfNewDefinitions) {
  THalvexFieldDef field;
  EXPECT_EQ(field.ObjectID, -1);
  EXPECT_EQ(field.AuxID, -1);
  EXPECT_EQ(field.SequenceID, -1);
  EXPECT_EQ(field.BlobBlockSize, 102400);
  EXPECT_EQ(field.MaxValue, INT64_MAX);
  EXPECT_TRUE(field.DefaultValue.IsNull());
  THalvexIndexDef index;
  EXPECT_EQ(index.RootPageNo, -1);
  THalvexSequenceDef sequence;
  EXPECT_EQ(sequence.DataType, 11);
  EXPECT_EQ(sequence.MaxValue, 4294967295LL);
  EXPECT_TRUE(sequence.Cycled);
  THalvexConstraintDefForeignKey key;
  EXPECT_EQ(key.DeleteAction, 4);
  EXPECT_EQ(key.UpdateAction, 4);
}

}  // namespace
}  // namespace halvex
