#include "engine/storage/field_def.h"

#include "engine/storage/exception.h"

namespace halvex {

void THalvexFieldDef::Assign(const THalvexMetaObjectDef& source) {
  THalvexMetaObjectDef::Assign(source);
  const auto& s = static_cast<const THalvexFieldDef&>(source);
  fieldType_ = s.fieldType_;
  baseType_ = s.baseType_;
  size_ = s.size_;
  dataSize_ = s.dataSize_;
  externalSize_ = s.externalSize_;
  ExternalOffset = s.ExternalOffset;
  MemoryOffset = s.MemoryOffset;
  SequenceID = s.SequenceID;
  DefaultValue.Assign(s.DefaultValue, 1);
  BlobCompressionAlgorithm = s.BlobCompressionAlgorithm;
  BlobCompressionMode = s.BlobCompressionMode;
  BlobBlockSize = s.BlobBlockSize;
  Increment = s.Increment;
  InitialValue = s.InitialValue;
  MinValue = s.MinValue;
  MaxValue = s.MaxValue;
  Cycled = s.Cycled;
}

void THalvexFieldDef::SetFieldType(std::uint8_t fieldType, std::int32_t size) {
  const std::uint8_t baseType = FieldTypeToBaseType(fieldType);
  if (baseType == hbtNone) RaiseHalvex(30007, THalvexMessage::UnsupportedDataType, {FieldTypeToTypeName(fieldType)});
  const std::int32_t dataSize = BaseTypeDataSize(baseType, size);
  fieldType_ = fieldType;
  baseType_ = baseType;
  size_ = size;
  dataSize_ = dataSize;
  externalSize_ = BaseTypeExternalSize(baseType, dataSize);
}

THalvexMetaObjectDef* THalvexFieldDefs::InternalAddCreated(const THalvexMetaObjectDef*) {
  auto definition = std::make_unique<THalvexFieldDef>();
  THalvexFieldDef* result = definition.get();
  Add(std::move(definition));
  return result;
}

void THalvexFieldDefs::Assign(const THalvexMetaObjectDefs& other) {
  THalvexMetaObjectDefs::Assign(other);
  ComputeLayout();
}

THalvexFieldDef* THalvexFieldDefs::AddField(std::string_view name, std::uint8_t fieldType, std::int32_t size) {
  auto definition = std::make_unique<THalvexFieldDef>();
  definition->SetName(name);
  definition->SetFieldType(fieldType, size);
  THalvexFieldDef* result = definition.get();
  Add(std::move(definition));
  return result;
}

void THalvexFieldDefs::ComputeLayout() {
  hasBlobsOrVarStrings_ = hasAutoIncs_ = hasDefaults_ = false;
  std::int32_t memoryOffset = NullBitmapSize();
  std::int32_t externalOffset = memoryOffset;
  for (std::int32_t i = 0; i < Count(); ++i) {
    THalvexFieldDef* field = Items(i);
    if (IsBlobBaseType(field->BaseType()) || IsVarStringBaseType(field->BaseType())) hasBlobsOrVarStrings_ = true;
    if (IsAutoIncFieldType(field->FieldType())) hasAutoIncs_ = true;
    if (!field->DefaultValue.IsNull()) hasDefaults_ = true;
    field->MemoryOffset = memoryOffset;
    field->ExternalOffset = externalOffset;
    memoryOffset += field->DataSize();
    externalOffset += field->ExternalSize();
  }
  recordSize_ = memoryOffset;
}

}  // namespace halvex
