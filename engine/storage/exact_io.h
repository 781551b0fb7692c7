#pragma once
// Exact stream I/O: every field of every persistent format is read, written
// or positioned through these, each with the native code of its own field,
// so a short stream names exactly the field that was missing.

#include <cstdint>

#include "platform/rtl/stream.h"

namespace halvex {

// Reads exactly count bytes; fewer raises "Cannot read from stream..." with
// the position before the read, the stream size, count and the bytes read.
void ReadExact(void* buffer, std::int64_t count, platform::TStream& stream, std::int32_t nativeError);
// Writes exactly count bytes; fewer raises "Cannot write to stream...".
void WriteExact(const void* buffer, std::int64_t count, platform::TStream& stream, std::int32_t nativeError);
// Moves to position and reads it back; a difference raises "Cannot set stream
// position to %d..." with the wanted position, the one before and the size.
void SeekExact(platform::TStream& stream, std::int32_t nativeError, std::int64_t position);

// Little-endian fixed-width fields, one call per field.
void WriteInt32(platform::TStream& stream, std::int32_t value, std::int32_t nativeError);
std::int32_t ReadInt32(platform::TStream& stream, std::int32_t nativeError);
void WriteInt64(platform::TStream& stream, std::int64_t value, std::int32_t nativeError);
std::int64_t ReadInt64(platform::TStream& stream, std::int32_t nativeError);

}  // namespace halvex
