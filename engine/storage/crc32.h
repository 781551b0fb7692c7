#pragma once
// The engine's CRC-32: reflected polynomial EDB88320 hex, table driven,
// started from 0 and without the final inversion. It therefore differs from
// the usual CRC-32 check value ("123456789" gives 2DFD2D88 hex, not
// CBF43926), and any run of zero bytes has the CRC 0. Used for the hashes of
// names and the checksums of BLOB blocks.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace halvex {

// Continues a CRC over more bytes: Crc32(b, m, Crc32(a, n)) is the CRC of a
// followed by b. Thread-safe.
std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0) noexcept;

inline std::uint32_t Crc32(std::string_view text) noexcept { return Crc32(text.data(), text.size()); }

// The hash by which tables and databases are found: the CRC of the name
// upper-cased in the ANSI code page. Names that differ only in case hash alike.
std::uint32_t NameHash(std::string_view name);

}  // namespace halvex
