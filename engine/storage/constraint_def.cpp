#include "engine/storage/constraint_def.h"

#include "engine/storage/exception.h"

namespace halvex {

void THalvexConstraintDef::Assign(const THalvexMetaObjectDef& source) {
  THalvexMetaObjectDef::Assign(source);
}

void THalvexConstraintDefNotNull::Assign(const THalvexMetaObjectDef& source) {
  THalvexConstraintDef::Assign(source);
  const auto& s = static_cast<const THalvexConstraintDefNotNull&>(source);
  Reserved = s.Reserved;
  Table = s.Table;
  Field = s.Field;
}

void THalvexConstraintDefCheck::Assign(const THalvexMetaObjectDef& source) {
  THalvexConstraintDef::Assign(source);
  const auto& s = static_cast<const THalvexConstraintDefCheck&>(source);
  Reserved = s.Reserved;
  Table = s.Table;
  Field = s.Field;
  MinValue.Assign(s.MinValue, 1);
  MaxValue.Assign(s.MaxValue, 1);
}

void THalvexConstraintDefUnique::Assign(const THalvexMetaObjectDef& source) {
  THalvexConstraintDef::Assign(source);
  const auto& s = static_cast<const THalvexConstraintDefUnique&>(source);
  Reserved = s.Reserved;
  Table = s.Table;
  Index = s.Index;
  Columns = s.Columns;
}

void THalvexConstraintDefForeignKeyAction::Assign(const THalvexMetaObjectDef& source) {
  THalvexConstraintDef::Assign(source);
  const auto& s = static_cast<const THalvexConstraintDefForeignKeyAction&>(source);
  OtherTable = s.OtherTable;
  Partner = s.Partner;
  DeleteAction = s.DeleteAction;
  UpdateAction = s.UpdateAction;
  MatchType = s.MatchType;
  Columns = s.Columns;
}

std::unique_ptr<THalvexConstraintDef> CreateConstraintDef(std::uint8_t type, std::int32_t code) {
  switch (type) {
    case kConstraintPrimary:
      return std::make_unique<THalvexConstraintDefPrimary>();
    case kConstraintForeignKey:
      return std::make_unique<THalvexConstraintDefForeignKey>();
    case kConstraintUnique:
      return std::make_unique<THalvexConstraintDefUnique>();
    case kConstraintNotNull:
      return std::make_unique<THalvexConstraintDefNotNull>();
    case kConstraintCheck:
      return std::make_unique<THalvexConstraintDefCheck>();
    case kConstraintForeignKeyAction:
      return std::make_unique<THalvexConstraintDefForeignKeyAction>();
    default:
      RaiseHalvex(code, THalvexMessage::NotImplemented);
  }
}

void THalvexConstraintDefs::NoteAdded(const THalvexMetaObjectDef& definition) noexcept {
  const std::uint8_t type = static_cast<const THalvexConstraintDef&>(definition).ConstraintType();
  if (type == kConstraintForeignKey) hasForeignKeys_ = true;
  if (type == kConstraintForeignKeyAction) hasForeignKeyActions_ = true;
}

void THalvexConstraintDefs::RebuildFlags() noexcept {
  hasForeignKeys_ = hasForeignKeyActions_ = false;
  for (std::int32_t i = 0; i < Count(); ++i) NoteAdded(*Items(i));
}

std::int32_t THalvexConstraintDefs::Add(std::unique_ptr<THalvexMetaObjectDef> definition) {
  const THalvexMetaObjectDef& added = *definition;
  const std::int32_t index = THalvexMetaObjectDefs::Add(std::move(definition));
  NoteAdded(added);
  return index;
}

THalvexMetaObjectDef* THalvexConstraintDefs::InternalAddCreated(const THalvexMetaObjectDef* like) {
  const std::uint8_t type =
      like != nullptr ? static_cast<const THalvexConstraintDef*>(like)->ConstraintType() : kConstraintNotNull;
  std::unique_ptr<THalvexConstraintDef> definition = CreateConstraintDef(type, 30035);
  THalvexConstraintDef* result = definition.get();
  Add(std::move(definition));
  return result;
}

void THalvexConstraintDefs::Assign(const THalvexMetaObjectDefs& other) {
  try {
    THalvexMetaObjectDefs::Assign(other);
  } catch (...) {
    RebuildFlags();
    throw;
  }
  RebuildFlags();
}

void THalvexConstraintDefs::Delete(std::int32_t index) {
  THalvexMetaObjectDefs::Delete(index);
  RebuildFlags();
}

void THalvexConstraintDefs::Insert(std::int32_t index, std::unique_ptr<THalvexMetaObjectDef> definition) {
  const THalvexMetaObjectDef& inserted = *definition;
  THalvexMetaObjectDefs::Insert(index, std::move(definition));
  NoteAdded(inserted);
}

void THalvexConstraintDefs::Clear() {
  THalvexMetaObjectDefs::Clear();
  hasForeignKeys_ = hasForeignKeyActions_ = false;
}

bool THalvexConstraintDefs::HasDeleteActions() const {
  for (std::int32_t i = 0; i < Count(); ++i) {
    const THalvexConstraintDef* c = Items(i);
    if (c->ConstraintType() == kConstraintForeignKeyAction &&
        static_cast<const THalvexConstraintDefForeignKeyAction*>(c)->DeleteAction != kNoAction)
      return true;
  }
  return false;
}

bool THalvexConstraintDefs::HasUpdateActions() const {
  for (std::int32_t i = 0; i < Count(); ++i) {
    const THalvexConstraintDef* c = Items(i);
    if (c->ConstraintType() == kConstraintForeignKeyAction &&
        static_cast<const THalvexConstraintDefForeignKeyAction*>(c)->UpdateAction != kNoAction)
      return true;
  }
  return false;
}

}  // namespace halvex
