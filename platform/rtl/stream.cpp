#include "platform/rtl/stream.h"

#include <algorithm>
#include <cstring>

namespace platform {

std::int64_t TStream::GetSize() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {}

void TBytesStream::SetSize(std::int64_t newSize) {
  bytes_.resize(static_cast<std::size_t>(std::max<std::int64_t>(newSize, 0)));
  position_ = std::min(position_, static_cast<std::int64_t>(bytes_.size()));
}

std::int64_t TBytesStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = GetSize();
  if (count <= 0 || position_ >= size) return 0;
  const std::int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TBytesStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = position_ + count;
  if (end > GetSize()) bytes_.resize(static_cast<std::size_t>(end));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TBytesStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = position_;
  if (origin == TSeekOrigin::soEnd) base = GetSize();
  position_ = std::max<std::int64_t>(base + offset, 0);
  return position_;
}

}  // namespace platform
