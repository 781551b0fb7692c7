#pragma once
// THalvexBitsArray: a bit array in engine memory that keeps the number of set
// bits up to date. Bit i is bit (i mod 8) of byte (i div 8), least significant
// bit first.
//
// Stream form, little-endian:
//   offset  width            field
//   0       4                BitCount, signed 32-bit
//   4       4                SetCount, signed 32-bit
//   8       ceil(BitCount/8) the bits
// Bits past BitCount in the last byte are written as stored (always zero).

#include <cstdint>

#include "platform/rtl/stream.h"

namespace halvex {

class THalvexBitsArray {
 public:
  THalvexBitsArray() = default;
  ~THalvexBitsArray();
  THalvexBitsArray(const THalvexBitsArray&) = delete;
  THalvexBitsArray& operator=(const THalvexBitsArray&) = delete;

  std::int32_t BitCount() const noexcept { return bitCount_; }
  std::int32_t SetCount() const noexcept { return setCount_; }
  const std::uint8_t* Bits() const noexcept { return bits_; }

  // 0 frees the bits; otherwise resizes to ceil(n / 8) bytes, new bits 0.
  void SetBitCount(std::int32_t n);
  // Raise 10394 / 10395 for a bit outside 0 .. BitCount - 1.
  bool GetBit(std::int32_t index) const;
  void SetBit(std::int32_t index, bool value);
  // Index of the first bit equal to value, or -1.
  std::int32_t FindFirst(bool value) const noexcept;

  void SaveToStream(platform::TStream& stream) const;
  // Reads the stream form. SetCount is recounted from the bits read rather
  // than trusted; a count the stream cannot hold raises 10402 before anything
  // is allocated, and any failure leaves the array empty.
  void LoadFromStream(platform::TStream& stream);

 private:
  std::int32_t CountSetBits(std::int32_t bitLimit) const noexcept;

  std::int32_t bitCount_ = 0;
  std::int32_t setCount_ = 0;
  std::uint8_t* bits_ = nullptr;  // engine memory, ceil(bitCount_ / 8) bytes
};

}  // namespace halvex
