#pragma once
// The header in front of every compressed block of a stored BLOB value.
//
// Stored form, 20 bytes, little-endian:
//   offset  width  field
//   0       4      CompressedSize, signed 32-bit: bytes of compressed data after the header
//   4       4      UncompressedSize, signed 32-bit: bytes the block decompresses to
//   8       4      Crc32 of the block's uncompressed bytes
//   12      8      NextOffset, signed 64-bit: distance to the next header (20 + CompressedSize)

#include <cstdint>

namespace halvex {

struct TBlobBlockHeader {
  std::int32_t CompressedSize = 0;
  std::int32_t UncompressedSize = 0;
  std::uint32_t Crc32 = 0;
  std::int64_t NextOffset = 0;

  friend bool operator==(const TBlobBlockHeader&, const TBlobBlockHeader&) = default;
};

constexpr int kBlobBlockHeaderSize = 20;

inline void StoreBlobBlockHeader(std::uint8_t* p, const TBlobBlockHeader& h) noexcept {
  auto put = [&p](std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) *p++ = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put(static_cast<std::uint32_t>(h.CompressedSize), 4);
  put(static_cast<std::uint32_t>(h.UncompressedSize), 4);
  put(h.Crc32, 4);
  put(static_cast<std::uint64_t>(h.NextOffset), 8);
}

inline TBlobBlockHeader LoadBlobBlockHeader(const std::uint8_t* p) noexcept {
  auto get = [&p](int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= static_cast<std::uint64_t>(*p++) << (8 * i);
    return v;
  };
  TBlobBlockHeader h;
  h.CompressedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(get(4)));
  h.UncompressedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(get(4)));
  h.Crc32 = static_cast<std::uint32_t>(get(4));
  h.NextOffset = static_cast<std::int64_t>(get(8));
  return h;
}

}  // namespace halvex
