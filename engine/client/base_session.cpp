#include "engine/client/base_session.h"

#include "engine/storage/exception.h"

namespace halvex {

THalvexBaseSession::~THalvexBaseSession() = default;

void THalvexBaseSession::LockDatabase() { RaiseHalvex(10888, THalvexMessage::OperationNotSupported); }
void THalvexBaseSession::UnlockDatabase() { RaiseHalvex(10889, THalvexMessage::OperationNotSupported); }
void THalvexBaseSession::ExecuteCommand(std::string_view) {
  RaiseHalvex(10890, THalvexMessage::OperationNotSupported);
}

THalvexSessionNamedObjectSequenceValue* THalvexBaseSession::FindSequenceValue(std::string_view name) const noexcept {
  for (const auto& value : sequenceValues_)
    if (value->Name == name) return value.get();
  return nullptr;
}

void THalvexBaseSession::SetSequenceValue(std::string_view name, std::int64_t value) {
  if (auto* existing = FindSequenceValue(name)) {
    existing->Value = value;
    return;
  }
  sequenceValues_.push_back(std::make_unique<THalvexSessionNamedObjectSequenceValue>(std::string(name), value));
}

}  // namespace halvex
