#pragma once
// TValueBuffer: scratch space for one converted value. Values up to
// kInlineSize bytes stay inside the object (on the caller's stack), larger
// ones go to the heap; comparisons of converted numbers and short texts
// therefore allocate nothing.

#include <cstdint>
#include <cstring>
#include <memory>

namespace halvex {

class TValueBuffer {
 public:
  static constexpr std::int32_t kInlineSize = 128;

  TValueBuffer() = default;
  TValueBuffer(const TValueBuffer&) = delete;
  TValueBuffer& operator=(const TValueBuffer&) = delete;

  // Room for size bytes; earlier contents are not kept.
  std::uint8_t* Reserve(std::int32_t size) {
    if (size > kInlineSize && size > heapSize_) {
      heap_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
      heapSize_ = size;
    }
    size_ = size;
    return Data();
  }
  void Assign(const void* data, std::int32_t size) {
    std::uint8_t* target = Reserve(size);
    if (size > 0) std::memcpy(target, data, static_cast<std::size_t>(size));
  }
  std::uint8_t* Data() noexcept { return size_ > kInlineSize ? heap_.get() : inline_; }
  const std::uint8_t* Data() const noexcept { return size_ > kInlineSize ? heap_.get() : inline_; }
  std::int32_t Size() const noexcept { return size_; }

 private:
  alignas(16) std::uint8_t inline_[kInlineSize];
  std::unique_ptr<std::uint8_t[]> heap_;
  std::int32_t heapSize_ = 0;
  std::int32_t size_ = 0;
};

}  // namespace halvex
