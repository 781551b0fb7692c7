#pragma once
// Reading and writing one field of a record buffer (layout in field_def.h),
// and the values a new record starts with.

#include <cstdint>
#include <functional>

#include "engine/storage/field_def.h"

namespace halvex {

// True when field fieldNo of record is not NULL; then the value is copied to
// destination (when given):
//   - BLOB types: nothing is copied (BLOBs are read through streams);
//   - wide strings (engine 3, 4): destination is a `const void*` variable
//     that receives the address of the value inside the record;
//   - narrow strings: the text and its terminator;
//   - other types: DataSize bytes.
// A field number at or past the count raises "Invalid field number - FieldNo
// = %d, FieldCount = %d" (10000). A field placed outside the layout's record
// size (definitions changed without a layout pass) raises "Error getting
// field data - ..." (10733 strings, 10002 otherwise).
// REQUIRES: record holds defs.RecordSize() bytes.
bool GetFieldValue(std::int32_t fieldNo, const THalvexFieldDefs& defs, void* destination,
                   const std::uint8_t* record);

// Writes field fieldNo; no source sets its NULL bit. Strings (engine 1..4)
// are measured up to their terminator, stored as NULL when empty, cut to the
// field's size and terminated; other types copy DataSize bytes. Raises 10004
// for a bad field number and "Error getting field data - ..." (10734
// strings, 10732 otherwise) for a field outside the layout.
void SetFieldValue(std::int32_t fieldNo, const THalvexFieldDefs& defs, const void* source, std::uint8_t* record);

// Sets or clears the NULL bit of field fieldNo.
void SetFieldNull(std::uint8_t* record, std::int32_t fieldNo, bool null) noexcept;
bool FieldIsNull(const std::uint8_t* record, std::int32_t fieldNo) noexcept;

// Draws the next value of the sequence of an auto-increment field.
using TNextSequenceValue = std::function<std::int64_t(const THalvexFieldDef& field)>;

// Default values of a new record: with HasAutoIncs or HasDefaults, every
// field with a non-null DefaultValue gets it (converted to the field's base
// type) and its NULL bit cleared; with autoIncs, every auto-increment field
// gets nextValue(field) as its DataSize low-order bytes, NULL bit cleared.
void InitNewRecordValues(const THalvexFieldDefs& defs, std::uint8_t* record, bool autoIncs,
                         const TNextSequenceValue& nextValue);

}  // namespace halvex
