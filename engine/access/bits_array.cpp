#include "engine/access/bits_array.h"

#include <bit>
#include <cstring>

#include "engine/storage/exact_io.h"
#include "engine/storage/exception.h"
#include "engine/storage/memory_manager.h"

namespace halvex {
namespace {

std::int32_t ByteCount(std::int32_t bits) { return static_cast<std::int32_t>((static_cast<std::int64_t>(bits) + 7) / 8); }

}  // namespace

THalvexBitsArray::~THalvexBitsArray() { MemoryManager().FreeAndNil(bits_); }

std::int32_t THalvexBitsArray::CountSetBits(std::int32_t bitLimit) const noexcept {
  std::int32_t count = 0;
  const std::int32_t whole = bitLimit / 8;
  for (std::int32_t i = 0; i < whole; ++i) count += std::popcount(bits_[i]);
  if (bitLimit % 8 != 0)
    count += std::popcount(static_cast<std::uint8_t>(bits_[whole] & ((1u << (bitLimit % 8)) - 1)));
  return count;
}

void THalvexBitsArray::SetBitCount(std::int32_t n) {
  if (n < 0) throw platform::ERangeError("Range check error");
  if (n == 0) {
    MemoryManager().FreeAndNil(bits_);
    bitCount_ = setCount_ = 0;
    return;
  }
  const std::int32_t oldCount = bitCount_;
  MemoryManager().ReallocMem(bits_, ByteCount(n), true);
  bitCount_ = n;
  if (n < oldCount) {
    // Clear the bits cut off inside the last byte, so that growing again
    // later brings them back as 0 and SetCount stays exact.
    if (n % 8 != 0) bits_[n / 8] &= static_cast<std::uint8_t>((1u << (n % 8)) - 1);
    setCount_ = CountSetBits(n);
  }
}

bool THalvexBitsArray::GetBit(std::int32_t index) const {
  if (index < 0 || index >= bitCount_) RaiseHalvex(10394, THalvexMessage::InvalidBitNo, {index, bitCount_});
  return (bits_[index / 8] >> (index % 8)) & 1;
}

void THalvexBitsArray::SetBit(std::int32_t index, bool value) {
  if (index < 0 || index >= bitCount_) RaiseHalvex(10395, THalvexMessage::InvalidBitNo, {index, bitCount_});
  std::uint8_t& byte = bits_[index / 8];
  const auto mask = static_cast<std::uint8_t>(1u << (index % 8));
  if (((byte & mask) != 0) == value) return;
  if (value) {
    byte |= mask;
    ++setCount_;
  } else {
    byte &= static_cast<std::uint8_t>(~mask);
    --setCount_;
  }
}

std::int32_t THalvexBitsArray::FindFirst(bool value) const noexcept {
  // Whole bytes that cannot hold the wanted bit are skipped at once.
  const std::uint8_t skip = value ? 0x00 : 0xFF;
  const std::int32_t bytes = ByteCount(bitCount_);
  for (std::int32_t b = 0; b < bytes; ++b) {
    if (bits_[b] == skip) continue;
    const std::uint8_t wanted = value ? bits_[b] : static_cast<std::uint8_t>(~bits_[b]);
    const std::int32_t index = b * 8 + std::countr_zero(wanted);
    return index < bitCount_ ? index : -1;
  }
  return -1;
}

void THalvexBitsArray::SaveToStream(platform::TStream& stream) const {
  WriteInt32(stream, bitCount_, 10398);
  WriteInt32(stream, setCount_, 10427);
  if (bitCount_ > 0) {
    if (bits_ == nullptr) RaiseHalvex(10399, THalvexMessage::NilPointer);
    WriteExact(bits_, ByteCount(bitCount_), stream, 10400);
  }
}

void THalvexBitsArray::LoadFromStream(platform::TStream& stream) {
  const std::int32_t bitCount = ReadInt32(stream, 10401);
  const std::int32_t setCount = ReadInt32(stream, 10426);
  // Counts come from outside: refuse what no saved array can hold before
  // allocating anything for it.
  const std::int64_t available = stream.Size() - stream.Position();
  if (bitCount < 0 || ByteCount(bitCount) > available) {
    SetBitCount(0);
    const std::int32_t wanted = bitCount < 0 ? 0 : ByteCount(bitCount);
    RaiseHalvex(10402, THalvexMessage::CannotReadFromStream, {stream.Position(), stream.Size(), wanted, available});
  }
  SetBitCount(0);
  SetBitCount(bitCount);
  if (bitCount > 0) {
    try {
      ReadExact(bits_, ByteCount(bitCount), stream, 10402);
    } catch (...) {
      SetBitCount(0);
      throw;
    }
    // Bits past the count in the last byte are not part of the array.
    if (bitCount % 8 != 0) bits_[bitCount / 8] &= static_cast<std::uint8_t>((1u << (bitCount % 8)) - 1);
  }
  setCount_ = CountSetBits(bitCount);
  (void)setCount;  // recounted from the bits: the stored figure is not trusted
}

}  // namespace halvex
