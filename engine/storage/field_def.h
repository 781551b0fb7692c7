#pragma once
// THalvexFieldDef (one column) and THalvexFieldDefs (a table's columns, in
// record order) with the record layout pass.
//
// Record buffer of a table with n fields:
//
//   offset             width              contents
//   0                  ceil(n / 8)        null bitmap: bit i % 8 (least
//                                         significant first) of byte i / 8
//                                         set means field i is NULL
//   MemoryOffset(i)    DataSize(i)        field i, in field order, no padding
//
// RecordSize = MemoryOffset(last) + DataSize(last). ExternalOffset runs the
// same way over ExternalSize, which is DataSize except 6 for variable strings
// and BLOBs.

#include <cstdint>
#include <memory>

#include "engine/access/variant.h"
#include "engine/storage/data_types.h"
#include "engine/storage/meta_object_def.h"

namespace halvex {

class THalvexFieldDef : public THalvexMetaObjectDef {
 public:
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexFieldDef"; }

  // Sets the engine type and the declared size; the base type comes from the
  // type-name table and DataSize and ExternalSize are recomputed. A type
  // without a base type raises "Unsuported data type '%s'" (30007).
  void SetFieldType(std::uint8_t fieldType, std::int32_t size);

  std::uint8_t FieldType() const noexcept { return fieldType_; }
  std::uint8_t BaseType() const noexcept { return baseType_; }
  std::int32_t Size() const noexcept { return size_; }
  std::int32_t DataSize() const noexcept { return dataSize_; }
  std::int32_t ExternalSize() const noexcept { return externalSize_; }

  // Set by the layout pass.
  std::int32_t ExternalOffset = 0;
  std::int32_t MemoryOffset = 0;

  std::int32_t SequenceID = -1;  // ObjectID of the column's sequence for auto-increment columns
  THalvexVariant DefaultValue;   // owned; null when the column has no default
  std::uint8_t BlobCompressionAlgorithm = 0;
  std::uint8_t BlobCompressionMode = 0;
  std::int32_t BlobBlockSize = 102400;
  // Auto-increment parameters, copied into the column's sequence when the table is created.
  std::int64_t Increment = 1;
  std::int64_t InitialValue = 0;
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = INT64_MAX;
  std::uint8_t Cycled = 0;  // the client layer stores 255 for true

 private:
  std::uint8_t fieldType_ = 0;
  std::uint8_t baseType_ = 0;
  std::int32_t size_ = 0;
  std::int32_t dataSize_ = 0;
  std::int32_t externalSize_ = 0;
};

class THalvexFieldDefs : public THalvexMetaObjectDefs {
 public:
  THalvexMetaObjectDef* InternalAddCreated(const THalvexMetaObjectDef* like) override;
  // Copies the list and runs the layout pass.
  void Assign(const THalvexMetaObjectDefs& other) override;
  const char* ClassName() const noexcept override { return "THalvexFieldDefs"; }

  THalvexFieldDef* Items(std::int32_t index) const { return static_cast<THalvexFieldDef*>(THalvexMetaObjectDefs::Items(index)); }
  // Creates, adds and returns a field definition.
  THalvexFieldDef* AddField(std::string_view name, std::uint8_t fieldType, std::int32_t size);

  // The layout pass: run after the field list is set or loaded.
  void ComputeLayout();
  std::int32_t NullBitmapSize() const noexcept { return (Count() + 7) / 8; }
  // Bytes of a record's null bitmap and values; valid after ComputeLayout.
  std::int32_t RecordSize() const noexcept { return recordSize_; }

  bool HasBlobsOrVarStrings() const noexcept { return hasBlobsOrVarStrings_; }
  bool HasAutoIncs() const noexcept { return hasAutoIncs_; }
  bool HasDefaults() const noexcept { return hasDefaults_; }

 private:
  bool hasBlobsOrVarStrings_ = false;
  bool hasAutoIncs_ = false;
  bool hasDefaults_ = false;
  std::int32_t recordSize_ = 0;
};

}  // namespace halvex
