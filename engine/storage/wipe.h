#pragma once
// The engine-wide wipe switch: while it is on, stream buffers are overwritten
// with zeros before they are freed, so freed memory keeps no stored data.
// Off at start; nothing in the engine turns it on.
//
// Thread safety: the switch may be read and set from any thread; a buffer
// freed while another thread flips it may go either way.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/storage/memory_manager.h"

namespace halvex {

bool WipeEnabled() noexcept;
void SetWipeEnabled(bool enabled) noexcept;

// Zeroes size bytes at data when the switch is on, in a way the compiler
// cannot drop as a dead store. Null data is left alone.
void WipeBytes(void* data, std::size_t size) noexcept;

// A buffer of engine memory that is wiped (when the switch is on) and freed
// when it goes out of scope.
class THalvexStreamBuffer {
 public:
  // REQUIRES: size > 0. Raises the memory manager's errors.
  explicit THalvexStreamBuffer(std::int32_t size, bool zeroFill = false) : block_(size, zeroFill), size_(size) {}
  ~THalvexStreamBuffer() { WipeBytes(block_.Get(), static_cast<std::size_t>(size_)); }  // block_ frees afterwards
  THalvexStreamBuffer(const THalvexStreamBuffer&) = delete;
  THalvexStreamBuffer& operator=(const THalvexStreamBuffer&) = delete;

  std::uint8_t* Bytes() const noexcept { return block_.Bytes(); }
  std::int32_t Size() const noexcept { return size_; }

 private:
  THalvexMemoryBlock block_;
  std::int32_t size_;
};

// A heap allocator that wipes (when the switch is on) every block it frees,
// including the old blocks a growing vector leaves behind.
template <typename T>
struct THalvexWipingAllocator {
  using value_type = T;

  THalvexWipingAllocator() noexcept = default;
  template <typename U>
  THalvexWipingAllocator(const THalvexWipingAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
  void deallocate(T* p, std::size_t n) noexcept {
    WipeBytes(p, n * sizeof(T));
    std::allocator<T>{}.deallocate(p, n);
  }
  friend bool operator==(const THalvexWipingAllocator&, const THalvexWipingAllocator&) noexcept { return true; }
};

// Bytes on the platform heap, wiped before they are freed: the compression
// buffers.
using THalvexHeapBytes = std::vector<std::uint8_t, THalvexWipingAllocator<std::uint8_t>>;

}  // namespace halvex
