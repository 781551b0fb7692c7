#include "engine/storage/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/storage/exception.h"
#include "engine/storage/memory_manager.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/exception.h"

namespace halvex {
namespace {

constexpr std::int64_t kMaxBlock = std::numeric_limits<std::int32_t>::max();

}  // namespace

THalvexMemoryStream::THalvexMemoryStream(void* block, std::int64_t size) {
  const std::int32_t blockSize = MemoryManager().BlockSize(block);
  if (size < 0) size = blockSize;
  if (size > blockSize) throw platform::ERangeError("Range check error");
  buffer_ = static_cast<std::uint8_t*>(block);
  capacity_ = blockSize;
  size_ = size;
}

THalvexMemoryStream::~THalvexMemoryStream() { FreeBuffer(); }

std::int64_t THalvexMemoryStream::GrowthStep(std::int64_t capacity) noexcept {
  if (capacity == 0) return 4;
  if (capacity == 4) return 1020;
  if (capacity <= 10240) return 1024;
  if (capacity <= 102400) return 10240;
  if (capacity <= 1048576) return 102400;
  if (capacity <= 10485760) return 1048576;
  if (capacity <= 104857600) return 2097152;
  if (capacity <= 1073741824) return 10485760;
  return 104857600;
}

void THalvexMemoryStream::FreeBuffer() {
  WipeBytes(buffer_, static_cast<std::size_t>(capacity_));
  MemoryManager().FreeAndNil(buffer_);
  capacity_ = 0;
}

void THalvexMemoryStream::Reallocate(std::int64_t capacity) {
  if (capacity > kMaxBlock) RaiseHalvex(30014, THalvexMessage::ReallocMemError, {"Out of memory"});
  const auto newSize = static_cast<std::int32_t>(capacity);
  if (WipeEnabled()) {
    // The manager would free the old block unwiped: move the bytes ourselves.
    auto* fresh = static_cast<std::uint8_t*>(MemoryManager().GetMem(newSize));
    std::memcpy(fresh, buffer_, static_cast<std::size_t>(std::min(size_, capacity)));
    FreeBuffer();
    buffer_ = fresh;
  } else {
    MemoryManager().ReallocMem(buffer_, newSize, false);
  }
  capacity_ = capacity;
}

void THalvexMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw platform::ERangeError("Range check error");
  if (newSize == 0) {
    FreeBuffer();
    size_ = position_ = 0;
    return;
  }
  const std::int64_t oldSize = size_;
  if (buffer_ == nullptr) {
    const std::int64_t capacity = std::max(newSize, kMinimumCapacity);
    if (capacity > kMaxBlock) RaiseHalvex(30015, THalvexMessage::GetMemError, {"Out of memory"});
    buffer_ = static_cast<std::uint8_t*>(MemoryManager().GetMem(static_cast<std::int32_t>(capacity)));
    capacity_ = capacity;
  } else if (newSize < oldSize) {
    if (capacity_ - newSize >= GrowthStep(capacity_))
      Reallocate(newSize);
    else
      ++unreallocatedSizeChanges_;
  } else if (newSize > capacity_) {
    std::int64_t capacity = capacity_ + std::max(GrowthStep(capacity_), newSize - capacity_);
    capacity = (capacity + 3) & ~std::int64_t{3};
    // Near the largest block the step may overshoot what one block can hold.
    if (capacity > kMaxBlock && newSize <= kMaxBlock) capacity = newSize;
    const std::int64_t before = capacity_;
    Reallocate(capacity);
    growthAmount_ = capacity - before;
  } else if (newSize != oldSize) {
    ++unreallocatedSizeChanges_;
  }
  // Bytes left behind by an earlier shrink must not come back.
  if (newSize > oldSize) std::memset(buffer_ + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  size_ = newSize;
  position_ = std::min(position_, size_);
}

std::int64_t THalvexMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, buffer_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t THalvexMemoryStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t end = 0;
  if (count <= 0 || __builtin_add_overflow(position_, count, &end)) return 0;
  if (end > size_) SetSize(end);
  std::memcpy(buffer_ + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t THalvexMemoryStream::Seek(std::int64_t offset, platform::TSeekOrigin origin) {
  std::int64_t target = 0;
  if (SeekTarget(position_, size_, offset, origin, target)) position_ = target;
  return position_;
}

}  // namespace halvex
