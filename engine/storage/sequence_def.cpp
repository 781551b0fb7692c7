#include "engine/storage/sequence_def.h"

#include <memory>

namespace halvex {

void THalvexSequenceDef::Assign(const THalvexMetaObjectDef& source) {
  THalvexMetaObjectDef::Assign(source);
  const auto& s = static_cast<const THalvexSequenceDef&>(source);
  DataType = s.DataType;
  MinValue = s.MinValue;
  MaxValue = s.MaxValue;
  CurrentValue = s.CurrentValue;
  Increment = s.Increment;
  Cycled = s.Cycled;
}

THalvexMetaObjectDef* THalvexSequenceDefs::InternalAddCreated(const THalvexMetaObjectDef*) {
  auto definition = std::make_unique<THalvexSequenceDef>();
  THalvexSequenceDef* result = definition.get();
  Add(std::move(definition));
  return result;
}

}  // namespace halvex
