#pragma once
// THalvexMemoryStream: a stream over one block of engine memory that grows
// and shrinks in size-dependent steps, so that many small writes do not
// reallocate every time.
//
// SetSize(n):
//   n == 0            the buffer is freed (wiped first when the switch is on),
//                     Capacity 0
//   no buffer         Capacity = max(n, 1024), a buffer is allocated
//   n < Size          reallocated to exactly n when Capacity - n >= step(Capacity),
//                     else only Size changes
//   n > Capacity      Capacity += max(step(Capacity), n - Capacity), rounded up
//                     to a multiple of 4, then reallocated
//   otherwise         only Size changes
// then bytes from the old Size to n read as zero, and a Position beyond n
// moves back to n.
//
// step(C) is 4 for C = 0, 1020 for C = 4, else 1024 up to 10240 bytes,
// 10240 up to 102400, 102400 up to 1 MiB, 1 MiB up to 10 MiB, 2 MiB up to
// 100 MiB, 10 MiB up to 1 GiB and 100 MiB above.
//
// One engine block holds at most 2^31 - 1 bytes; a size beyond that raises
// the memory manager's "ReallocMem error: %s" (30014), or "GetMem error: %s"
// (30015) for the first allocation.
//
// Owns its buffer. Not thread-safe (see THalvexStream::Lock).

#include <cstdint>

#include "engine/storage/stream.h"

namespace halvex {

class THalvexMemoryStream : public THalvexStream {
 public:
  static constexpr std::int64_t kMinimumCapacity = 1024;

  THalvexMemoryStream() = default;
  // Takes over block, which must come from the engine memory manager (30005
  // otherwise), as the buffer: Capacity is the block's size and Size is size,
  // or the block's size when size is negative. A size beyond the block (or
  // above 0 without a block) raises ERangeError and leaves the block with the
  // caller.
  THalvexMemoryStream(void* block, std::int64_t size);
  ~THalvexMemoryStream() override;

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override { return size_; }
  // Raises ERangeError for a negative size.
  void SetSize(std::int64_t newSize) override;
  // Copies min(count, Size - Position) bytes; 0 at or past Size or for count <= 0.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Grows Size through SetSize when the bytes end beyond it.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // A position beyond Size is allowed; a negative one is refused and the
  // position returned unchanged.
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override;

  // The bytes, valid until the next size change; null when Capacity is 0.
  std::uint8_t* Buffer() const noexcept { return buffer_; }
  std::int64_t Capacity() const noexcept { return capacity_; }
  // Bytes added to Capacity by the last growth.
  std::int64_t GrowthAmount() const noexcept { return growthAmount_; }
  // How many size changes kept the buffer as it was.
  std::int64_t UnreallocatedSizeChanges() const noexcept { return unreallocatedSizeChanges_; }

  static std::int64_t GrowthStep(std::int64_t capacity) noexcept;

 private:
  void Reallocate(std::int64_t capacity);
  void FreeBuffer();

  std::uint8_t* buffer_ = nullptr;  // engine memory of capacity_ bytes, owned
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t growthAmount_ = 0;
  std::int64_t unreallocatedSizeChanges_ = 0;
};

}  // namespace halvex
