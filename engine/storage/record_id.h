#pragma once
// The record identifier: the bookmark of a record.
//
// Stored form, 6 bytes, little-endian:
//   offset  width  field
//   0       4      PageNo, signed 32-bit (the slot of a memory table)
//   4       2      PageItemNo, signed 16-bit (0 in memory tables)

#include <cstdint>

namespace halvex {

struct TRecordID {
  std::int32_t PageNo = 0;
  std::int16_t PageItemNo = 0;

  friend bool operator==(const TRecordID&, const TRecordID&) = default;
};

constexpr int kRecordIDSize = 6;

inline TRecordID LoadRecordID(const std::uint8_t* p) noexcept {
  TRecordID id;
  id.PageNo = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
  id.PageItemNo = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[4] | p[5] << 8));
  return id;
}

inline void StoreRecordID(std::uint8_t* p, const TRecordID& id) noexcept {
  const auto page = static_cast<std::uint32_t>(id.PageNo);
  const auto item = static_cast<std::uint16_t>(id.PageItemNo);
  p[0] = static_cast<std::uint8_t>(page);
  p[1] = static_cast<std::uint8_t>(page >> 8);
  p[2] = static_cast<std::uint8_t>(page >> 16);
  p[3] = static_cast<std::uint8_t>(page >> 24);
  p[4] = static_cast<std::uint8_t>(item);
  p[5] = static_cast<std::uint8_t>(item >> 8);
}

// The six stored bytes read as one unsigned 48-bit little-endian number.
inline std::uint64_t RecordIDAs48Bit(const TRecordID& id) noexcept {
  return static_cast<std::uint64_t>(static_cast<std::uint16_t>(id.PageItemNo)) << 32 |
         static_cast<std::uint32_t>(id.PageNo);
}

}  // namespace halvex
