#include "engine/storage/index_def.h"

#include "engine/storage/exception.h"
#include "platform/rtl/code_page.h"

namespace halvex {

void THalvexIndexDef::Assign(const THalvexMetaObjectDef& source) {
  THalvexMetaObjectDef::Assign(source);
  const auto& s = static_cast<const THalvexIndexDef&>(source);
  IndexKind = s.IndexKind;
  Columns = s.Columns;
  Unique = s.Unique;
  Primary = s.Primary;
  RootPageNo = s.RootPageNo;
  Temporary = s.Temporary;
}

THalvexMetaObjectDef* THalvexIndexDefs::InternalAddCreated(const THalvexMetaObjectDef*) {
  auto definition = std::make_unique<THalvexIndexDef>();
  THalvexIndexDef* result = definition.get();
  Add(std::move(definition));
  return result;
}

THalvexIndexDef* THalvexIndexDefs::GetItem(std::int32_t index) const {
  CheckIndex(index, Count(), 10437);
  return Items(index);
}

void THalvexIndexDefs::SetItem(std::int32_t index, std::unique_ptr<THalvexIndexDef> definition) {
  CheckIndex(index, Count(), 10437);
  Insert(index + 1, std::move(definition));
  Delete(index);
}

THalvexIndexDef* THalvexIndexDefs::PrimaryIndex() const {
  for (std::int32_t i = 0; i < Count(); ++i)
    if (Items(i)->Primary != 0) return Items(i);
  return nullptr;
}

std::int32_t FindIndexByColumns(const THalvexIndexDefs* indexes, const std::vector<std::string>* names,
                                const std::vector<std::string>* directions,
                                const std::vector<std::string>* caseOptions) {
  if (names == nullptr) RaiseHalvex(10389, THalvexMessage::NilPointer);
  if (directions == nullptr) RaiseHalvex(10390, THalvexMessage::NilPointer);
  if (caseOptions == nullptr) RaiseHalvex(10391, THalvexMessage::NilPointer);
  const auto count = static_cast<std::int32_t>(names->size());
  if (directions->size() != names->size())
    RaiseHalvex(10276, THalvexMessage::DifferentListsLength, {count, static_cast<std::int32_t>(directions->size())});
  if (caseOptions->size() != names->size())
    RaiseHalvex(10277, THalvexMessage::DifferentListsLength, {count, static_cast<std::int32_t>(caseOptions->size())});
  if (indexes == nullptr) return -1;
  std::vector<std::string> wanted;
  wanted.reserve(names->size());
  for (const std::string& name : *names) wanted.push_back(platform::AnsiUpperCase(name));
  for (std::int32_t i = 0; i < indexes->Count(); ++i) {
    const THalvexIndexDef* index = indexes->Items(i);
    if (static_cast<std::int32_t>(index->Columns.size()) < count) continue;
    bool match = true;
    for (std::int32_t c = 0; c < count && match; ++c) {
      const THalvexIndexColumn& column = index->Columns[static_cast<std::size_t>(c)];
      const std::string direction = platform::AnsiUpperCase((*directions)[static_cast<std::size_t>(c)]);
      const std::string option = platform::AnsiUpperCase((*caseOptions)[static_cast<std::size_t>(c)]);
      match = platform::AnsiUpperCase(column.FieldName) == wanted[static_cast<std::size_t>(c)];
      if (direction == "ASC") match = match && column.Descending == 0;
      if (direction == "DESC") match = match && column.Descending != 0;
      if (option == "CASE") match = match && column.CaseInsensitive == 0;
      if (option == "NO_CASE") match = match && column.CaseInsensitive != 0;
    }
    if (match) return index->ObjectID;
  }
  return -1;
}

}  // namespace halvex
