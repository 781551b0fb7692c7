#include "engine/storage/field_values.h"

#include <cstring>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

const THalvexFieldDef& FieldAt(const THalvexFieldDefs& defs, std::int32_t fieldNo, std::int32_t code) {
  if (fieldNo < 0 || fieldNo >= defs.Count())
    RaiseHalvex(code, THalvexMessage::InvalidFieldNumber, {fieldNo, defs.Count()});
  return *defs.Items(fieldNo);
}

void CheckPlacement(const THalvexFieldDefs& defs, const THalvexFieldDef& field, std::int32_t fieldNo,
                    std::int32_t code) {
  const std::int64_t end = static_cast<std::int64_t>(field.MemoryOffset) + field.DataSize();
  if (field.MemoryOffset < defs.NullBitmapSize() || field.DataSize() < 0 || end > defs.RecordSize())
    RaiseHalvex(code, THalvexMessage::ErrorGettingFieldData, {fieldNo, field.MemoryOffset, field.DataSize()});
}

}  // namespace

void SetFieldNull(std::uint8_t* record, std::int32_t fieldNo, bool null) noexcept {
  const auto bit = static_cast<std::uint8_t>(1u << (fieldNo % 8));
  if (null)
    record[fieldNo / 8] |= bit;
  else
    record[fieldNo / 8] &= static_cast<std::uint8_t>(~bit);
}

bool FieldIsNull(const std::uint8_t* record, std::int32_t fieldNo) noexcept {
  return (record[fieldNo / 8] >> (fieldNo % 8) & 1) != 0;
}

bool GetFieldValue(std::int32_t fieldNo, const THalvexFieldDefs& defs, void* destination,
                   const std::uint8_t* record) {
  const THalvexFieldDef& field = FieldAt(defs, fieldNo, 10000);
  if (FieldIsNull(record, fieldNo)) return false;
  if (destination == nullptr || IsBlobFieldType(field.FieldType())) return true;
  const bool text = IsStringFieldType(field.FieldType());
  CheckPlacement(defs, field, fieldNo, text ? 10733 : 10002);
  const std::uint8_t* value = record + field.MemoryOffset;
  if (IsWideFieldType(field.FieldType())) {
    *static_cast<const void**>(destination) = value;
  } else if (text) {
    const void* zero = std::memchr(value, 0, static_cast<std::size_t>(field.DataSize()));
    // A stored string always has its terminator; a missing one is cut at the field's end.
    const std::size_t length = zero != nullptr ? static_cast<const std::uint8_t*>(zero) - value + 1
                                               : static_cast<std::size_t>(field.DataSize());
    std::memcpy(destination, value, length);
  } else {
    std::memcpy(destination, value, static_cast<std::size_t>(field.DataSize()));
  }
  return true;
}

void SetFieldValue(std::int32_t fieldNo, const THalvexFieldDefs& defs, const void* source, std::uint8_t* record) {
  const THalvexFieldDef& field = FieldAt(defs, fieldNo, 10004);
  if (source == nullptr) {
    SetFieldNull(record, fieldNo, true);
    return;
  }
  SetFieldNull(record, fieldNo, false);
  std::uint8_t* target = record + field.MemoryOffset;
  if (!IsStringFieldType(field.FieldType())) {
    CheckPlacement(defs, field, fieldNo, 10732);
    std::memcpy(target, source, static_cast<std::size_t>(field.DataSize()));
    return;
  }
  CheckPlacement(defs, field, fieldNo, 10734);
  const bool wide = IsWideFieldType(field.FieldType());
  const std::int32_t unit = wide ? 2 : 1;
  const auto* text = static_cast<const std::uint8_t*>(source);
  const std::int32_t capacity = field.DataSize() / unit - 1;  // characters before the terminator
  std::int32_t length = 0;
  // Measure no further than needed: a longer value is cut anyway.
  if (wide) {
    while (length <= capacity && (text[2 * length] != 0 || text[2 * length + 1] != 0)) ++length;
  } else {
    while (length <= capacity && text[length] != 0) ++length;
  }
  if (length == 0) {
    SetFieldNull(record, fieldNo, true);  // an empty string is stored as NULL
    return;
  }
  if (length > capacity) length = capacity;
  std::memcpy(target, text, static_cast<std::size_t>(length) * unit);
  std::memset(target + static_cast<std::size_t>(length) * unit, 0, static_cast<std::size_t>(unit));
}

void InitNewRecordValues(const THalvexFieldDefs& defs, std::uint8_t* record, bool autoIncs,
                         const TNextSequenceValue& nextValue) {
  if (defs.HasAutoIncs() || defs.HasDefaults()) {
    for (std::int32_t i = 0; i < defs.Count(); ++i) {
      const THalvexFieldDef& field = *defs.Items(i);
      if (field.DefaultValue.IsNull()) continue;
      // A BLOB slot refers to a stored block: its default is written through the BLOB store.
      if (IsBlobFieldType(field.FieldType())) continue;
      const THalvexVariant* value = &field.DefaultValue;
      THalvexVariant converted;
      if (value->DataType() != field.BaseType()) {
        // A default of another type is stored in the field's own form.
        converted.Assign(*value, 0);
        converted.CastTo(field.BaseType());
        value = &converted;
      }
      if (IsStringFieldType(field.FieldType())) {
        SetFieldValue(i, defs, value->Data(), record);
        continue;
      }
      CheckPlacement(defs, field, i, 10732);
      std::memset(record + field.MemoryOffset, 0, static_cast<std::size_t>(field.DataSize()));
      std::memcpy(record + field.MemoryOffset, value->Data(),
                  static_cast<std::size_t>(std::min(field.DataSize(), value->DataSize())));
      SetFieldNull(record, i, false);
    }
  }
  if (!autoIncs || !nextValue) return;
  for (std::int32_t i = 0; i < defs.Count(); ++i) {
    const THalvexFieldDef& field = *defs.Items(i);
    if (!IsAutoIncFieldType(field.FieldType())) continue;
    CheckPlacement(defs, field, i, 10732);
    const std::int64_t value = nextValue(field);
    // Little-endian: the low-order bytes come first.
    std::memcpy(record + field.MemoryOffset, &value, static_cast<std::size_t>(std::min(field.DataSize(), 8)));
    SetFieldNull(record, i, false);
  }
}

}  // namespace halvex
