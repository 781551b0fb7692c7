#pragma once
// THalvexMemoryManager: the one allocator behind every engine buffer. Each
// block is framed so that a block handed back is recognised as the engine's
// own and an overrun of its end is noticed; live bytes and their peak are
// counted, and an optional limit refuses allocations beyond it.
//
// Block layout for a request of Size bytes (Size + 13 bytes, no gaps):
//
//   offset      width  contents
//   -9          4      Size, signed 32-bit little-endian
//   -5          1      allocation method: 0 platform heap, 1 virtual, 2 global
//   -4          4      signature ACCACCAC hex, little-endian
//    0          Size   the caller's bytes (the address handed out)
//    Size       4      guard ACCEACCE hex, little-endian
//
// The frame is placed so that the caller's bytes start on a 16-byte boundary:
// seven bytes of padding precede the Size field inside the heap allocation.
// All methods are served by the same heap on this platform; the method byte
// records the choice the size thresholds make (see MethodFor).
//
// Thread safety: every operation may be called from any thread. The byte
// accounting is guarded by the manager's critical section (innermost of all
// engine locks); the diagnostic counters are relaxed atomics.

#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/rtl/threads.h"

namespace halvex {

enum class TMemoryAllocationMethod : std::uint8_t { mamHeap = 0, mamVirtual = 1, mamGlobal = 2 };

class THalvexMemoryManager {
 public:
  static constexpr std::uint32_t kSignature = 0xACCACCACu;
  static constexpr std::uint32_t kGuard = 0xACCEACCEu;
  static constexpr std::int32_t kFrameSize = 13;

  THalvexMemoryManager() = default;
  THalvexMemoryManager(const THalvexMemoryManager&) = delete;
  THalvexMemoryManager& operator=(const THalvexMemoryManager&) = delete;

  // Returns size usable bytes, uninitialised. Raises 30286 for size 0, 30004
  // above MemoryLimit, 30015 ("GetMem error: %s") when the platform fails.
  void* GetMem(std::int32_t size);
  // GetMem with the caller's bytes zeroed.
  void* AllocMem(std::int32_t size);
  // The requested size of a block; 0 for null; raises 30005 for a foreign block.
  std::int32_t BlockSize(const void* address) const;
  // Frees the block and nulls the variable; null is left alone. Raises 30001
  // (before changing anything) for a foreign block and 30137 after freeing
  // when the guard behind the block was overwritten.
  void FreeAndNil(void*& address);
  template <typename T>
  void FreeAndNil(T*& address) {
    void* raw = const_cast<void*>(static_cast<const void*>(address));
    try {
      FreeAndNil(raw);
    } catch (...) {
      address = static_cast<T*>(raw);
      throw;
    }
    address = static_cast<T*>(raw);
  }
  // Moves the block to one of newSize bytes keeping min(old, new) bytes; with
  // zeroFill the bytes beyond the old size are zeroed. A null variable gets a
  // new block. Raises 30002 for a foreign block, 30014 for platform failures;
  // the variable is unchanged when it raises.
  void ReallocMem(void*& address, std::int32_t newSize, bool zeroFill);
  void ReallocMem(void*& address, std::int32_t newSize) { ReallocMem(address, newSize, true); }
  template <typename T>
  void ReallocMem(T*& address, std::int32_t newSize, bool zeroFill = true) {
    void* raw = static_cast<void*>(address);
    ReallocMem(raw, newSize, zeroFill);
    address = static_cast<T*>(raw);
  }

  // Physical memory available now (MemAvailable of the kernel), or the
  // smaller of it and MemoryLimit when a limit is set.
  std::int64_t AvailableMemory();

  std::int64_t MemoryLimit() const noexcept { return memoryLimit_.load(std::memory_order_relaxed); }
  // 0 means no limit. The engine never sets it; applications and tests do.
  void SetMemoryLimit(std::int64_t limit) noexcept { memoryLimit_.store(limit, std::memory_order_relaxed); }
  std::int64_t AllocatedBytes() const;
  std::int64_t PeakAllocatedBytes() const;
  std::int64_t AvailablePhysical() const noexcept { return availablePhysical_.load(std::memory_order_relaxed); }

  std::int64_t AllocationCount() const noexcept { return allocations_.load(std::memory_order_relaxed); }
  std::int64_t ZeroFilledAllocationCount() const noexcept { return zeroAllocations_.load(std::memory_order_relaxed); }
  std::int64_t FreeCount() const noexcept { return frees_.load(std::memory_order_relaxed); }
  std::int64_t ReallocationCount() const noexcept { return reallocations_.load(std::memory_order_relaxed); }

  // The method the thresholds choose for a block of totalSize bytes.
  static TMemoryAllocationMethod MethodFor(std::int64_t totalSize) noexcept;
  // REQUIRES: address came from this manager. The method byte of its frame.
  static TMemoryAllocationMethod BlockMethod(const void* address) noexcept;

 private:
  void* RawGetMem(std::int32_t size);
  void RawFree(void* address, bool& guardIntact);
  void Account(std::int64_t delta);

  std::atomic<std::int64_t> memoryLimit_{0};
  std::atomic<std::int64_t> availablePhysical_{0};
  mutable platform::TCriticalSection lock_;
  std::int64_t allocatedBytes_ = 0;      // guarded by lock_
  std::int64_t peakAllocatedBytes_ = 0;  // guarded by lock_
  std::atomic<std::int64_t> allocations_{0};
  std::atomic<std::int64_t> zeroAllocations_{0};
  std::atomic<std::int64_t> frees_{0};
  std::atomic<std::int64_t> reallocations_{0};
};

// The engine-wide manager. Created on first use, which the engine's start-up
// guarantees comes before any other engine object; lives until process exit.
THalvexMemoryManager& MemoryManager();

// Owns one block of engine memory; frees it when it goes out of scope, so an
// exception cannot leak it. A guard overwritten behind the block is memory
// corruption: freeing it from the destructor then terminates the process, as
// continuing would be unsafe. Call Free() to see it as an exception instead.
class THalvexMemoryBlock {
 public:
  THalvexMemoryBlock() = default;
  explicit THalvexMemoryBlock(std::int32_t size, bool zeroFill = false)
      : data_(zeroFill ? MemoryManager().AllocMem(size) : MemoryManager().GetMem(size)) {}
  ~THalvexMemoryBlock() { MemoryManager().FreeAndNil(data_); }
  THalvexMemoryBlock(THalvexMemoryBlock&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}
  THalvexMemoryBlock& operator=(THalvexMemoryBlock&& other) noexcept(false) {
    if (this != &other) {
      Free();
      data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
  }
  THalvexMemoryBlock(const THalvexMemoryBlock&) = delete;
  THalvexMemoryBlock& operator=(const THalvexMemoryBlock&) = delete;

  void* Get() const noexcept { return data_; }
  std::uint8_t* Bytes() const noexcept { return static_cast<std::uint8_t*>(data_); }
  std::int32_t Size() const { return MemoryManager().BlockSize(data_); }
  explicit operator bool() const noexcept { return data_ != nullptr; }

  void Free() { MemoryManager().FreeAndNil(data_); }
  void Resize(std::int32_t newSize, bool zeroFill = true) { MemoryManager().ReallocMem(data_, newSize, zeroFill); }
  // Gives up ownership; the caller must free the block.
  void* Release() noexcept { return std::exchange(data_, nullptr); }
  // Takes ownership of a block of this manager, freeing the one held.
  void Reset(void* block = nullptr) {
    Free();
    data_ = block;
  }

 private:
  void* data_ = nullptr;
};

}  // namespace halvex
