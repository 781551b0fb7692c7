#include "engine/storage/meta_object_def.h"

#include "engine/storage/exception.h"
#include "platform/rtl/code_page.h"

namespace halvex {

void THalvexMetaObjectDef::Assign(const THalvexMetaObjectDef& source) {
  name_ = source.name_;
  ObjectID = source.ObjectID;
  AuxName = source.AuxName;
  AuxID = source.AuxID;
}

void THalvexMetaObjectDef::SetName(std::string_view name) {
  name_.assign(name.substr(0, kMaxNameLength));
}

THalvexMetaObjectDefs::~THalvexMetaObjectDefs() {
  for (void* item : items_) delete static_cast<THalvexMetaObjectDef*>(item);
}

std::int32_t THalvexMetaObjectDefs::Add(std::unique_ptr<THalvexMetaObjectDef> definition) {
  const std::int32_t index = items_.Add(definition.get());
  definition.release();
  return index;
}

THalvexMetaObjectDef* THalvexMetaObjectDefs::InternalAddCreated(const THalvexMetaObjectDef*) {
  RaiseHalvex(30339, THalvexMessage::MethodNotOverrided, {"InternalAddCreated", ClassName()});
}

void THalvexMetaObjectDefs::Assign(const THalvexMetaObjectDefs& other) {
  if (&other == this) return;
  Clear();
  for (std::int32_t i = 0; i < other.Count(); ++i) {
    const THalvexMetaObjectDef* source = other.Items(i);
    if (IndexOfName(source->Name()) >= 0)
      RaiseHalvex(10424, THalvexMessage::DuplicateFieldName, {source->Name()});
    InternalAddCreated(source)->Assign(*source);
  }
}

void THalvexMetaObjectDefs::CheckIndex(std::int32_t index, std::int32_t limit, std::int32_t code) const {
  if (index < 0 || index >= limit) RaiseHalvex(code, THalvexMessage::InvalidItemNumber, {index, Count()});
}

void THalvexMetaObjectDefs::Delete(std::int32_t index) {
  CheckIndex(index, Count(), 10433);
  auto* definition = static_cast<THalvexMetaObjectDef*>(items_.Get(index));
  items_.Delete(index);
  delete definition;
}

void THalvexMetaObjectDefs::Insert(std::int32_t index, std::unique_ptr<THalvexMetaObjectDef> definition) {
  CheckIndex(index, Count() + 1, 10434);
  items_.Insert(index, definition.get());
  definition.release();
}

void THalvexMetaObjectDefs::Move(std::int32_t currentIndex, std::int32_t newIndex) {
  CheckIndex(currentIndex, Count(), 10435);
  CheckIndex(newIndex, Count(), 10435);
  items_.Move(currentIndex, newIndex);
}

void THalvexMetaObjectDefs::Clear() {
  while (items_.Count() > 0) {
    auto* definition = static_cast<THalvexMetaObjectDef*>(items_.Last());
    items_.Delete(items_.Count() - 1);
    delete definition;
  }
}

THalvexMetaObjectDef* THalvexMetaObjectDefs::Items(std::int32_t index) const {
  CheckIndex(index, Count(), 10436);
  return static_cast<THalvexMetaObjectDef*>(items_.Get(index));
}

std::int32_t THalvexMetaObjectDefs::IndexOfName(std::string_view name) const {
  const std::string wanted = platform::AnsiUpperCase(name);
  for (std::int32_t i = 0; i < items_.Count(); ++i)
    if (platform::AnsiUpperCase(static_cast<const THalvexMetaObjectDef*>(items_.Get(i))->Name()) == wanted) return i;
  return -1;
}

THalvexMetaObjectDef* THalvexMetaObjectDefs::FindByName(std::string_view name) const {
  const std::int32_t index = IndexOfName(name);
  return index < 0 ? nullptr : static_cast<THalvexMetaObjectDef*>(items_.Get(index));
}

std::int32_t THalvexMetaObjectDefs::IndexOfObjectID(std::int32_t id) const {
  for (std::int32_t i = 0; i < items_.Count(); ++i)
    if (static_cast<const THalvexMetaObjectDef*>(items_.Get(i))->ObjectID == id) return i;
  return -1;
}

THalvexMetaObjectDef* THalvexMetaObjectDefs::FindByObjectID(std::int32_t id) const {
  const std::int32_t index = IndexOfObjectID(id);
  return index < 0 ? nullptr : static_cast<THalvexMetaObjectDef*>(items_.Get(index));
}

}  // namespace halvex
