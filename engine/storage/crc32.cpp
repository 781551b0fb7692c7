#include "engine/storage/crc32.h"

#include <zlib.h>

#include "platform/rtl/code_page.h"

namespace halvex {

std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc) noexcept {
  // zlib's table-driven CRC inverts the value on entry and on exit; inverting
  // around it leaves the plain register update we need.
  if (size == 0) return crc;
  return ~static_cast<std::uint32_t>(
      crc32_z(~static_cast<uLong>(crc) & 0xFFFFFFFFul, static_cast<const Bytef*>(data), size));
}

std::uint32_t NameHash(std::string_view name) { return Crc32(platform::AnsiUpperCase(name)); }

}  // namespace halvex
