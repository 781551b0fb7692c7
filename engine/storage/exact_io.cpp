#include "engine/storage/exact_io.h"

#include "engine/storage/exception.h"

namespace halvex {

void ReadExact(void* buffer, std::int64_t count, platform::TStream& stream, std::int32_t nativeError) {
  const std::int64_t position = stream.Position();
  const std::int64_t read = stream.Read(buffer, count);
  if (read != count)
    RaiseHalvex(nativeError, THalvexMessage::CannotReadFromStream, {position, stream.Size(), count, read});
}

void WriteExact(const void* buffer, std::int64_t count, platform::TStream& stream, std::int32_t nativeError) {
  const std::int64_t position = stream.Position();
  const std::int64_t written = stream.Write(buffer, count);
  if (written != count)
    RaiseHalvex(nativeError, THalvexMessage::CannotWriteToStream, {position, stream.Size(), count, written});
}

void SeekExact(platform::TStream& stream, std::int32_t nativeError, std::int64_t position) {
  const std::int64_t before = stream.Position();
  const std::int64_t reached = stream.Seek(position, platform::TSeekOrigin::soBeginning);
  if (reached != position)
    RaiseHalvex(nativeError, THalvexMessage::CannotSetStreamPosition, {position, before, stream.Size()});
}

void WriteInt32(platform::TStream& stream, std::int32_t value, std::int32_t nativeError) {
  const auto u = static_cast<std::uint32_t>(value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                 static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  WriteExact(bytes, 4, stream, nativeError);
}

std::int32_t ReadInt32(platform::TStream& stream, std::int32_t nativeError) {
  std::uint8_t b[4];
  ReadExact(b, 4, stream, nativeError);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                                   static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

void WriteInt64(platform::TStream& stream, std::int64_t value, std::int32_t nativeError) {
  const auto u = static_cast<std::uint64_t>(value);
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(u >> (8 * i));
  WriteExact(bytes, 8, stream, nativeError);
}

std::int64_t ReadInt64(platform::TStream& stream, std::int32_t nativeError) {
  std::uint8_t b[8];
  ReadExact(b, 8, stream, nativeError);
  std::uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= static_cast<std::uint64_t>(b[i]) << (8 * i);
  return static_cast<std::int64_t>(u);
}

}  // namespace halvex
