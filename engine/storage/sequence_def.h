#pragma once
// THalvexSequenceDef: a sequence of a table (auto-increment columns and
// linked sequences) and THalvexSequenceDefs. Drawing values (GetNextValue,
// the slot after the stream operations) joins with the sequences themselves.

#include <cstdint>

#include "engine/storage/data_types.h"
#include "engine/storage/meta_object_def.h"

namespace halvex {

class THalvexSequenceDef : public THalvexMetaObjectDef {
 public:
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexSequenceDef"; }

  std::uint8_t DataType = hbtUInt32;  // base type of the values
  std::int64_t MinValue = 0;
  std::int64_t MaxValue = 4294967295LL;
  std::int64_t CurrentValue = 0;
  std::int64_t Increment = 1;
  bool Cycled = true;
};

class THalvexSequenceDefs : public THalvexMetaObjectDefs {
 public:
  THalvexMetaObjectDef* InternalAddCreated(const THalvexMetaObjectDef* like) override;
  const char* ClassName() const noexcept override { return "THalvexSequenceDefs"; }
  THalvexSequenceDef* Items(std::int32_t index) const {
    return static_cast<THalvexSequenceDef*>(THalvexMetaObjectDefs::Items(index));
  }
};

}  // namespace halvex
