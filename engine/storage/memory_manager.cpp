#include "engine/storage/memory_manager.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "engine/storage/exception.h"

namespace halvex {
namespace {

// Caller bytes start this far into the heap allocation, which keeps them on
// the 16-byte boundary the heap returns; the 9-byte header ends right there.
constexpr std::size_t kLeadIn = 16;
constexpr std::size_t kHeaderSize = 9;
constexpr std::size_t kGuardSize = 4;

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

const std::uint8_t* Header(const void* address) { return static_cast<const std::uint8_t*>(address) - kHeaderSize; }

bool SignatureValid(const void* address) { return LoadU32(Header(address) + 5) == THalvexMemoryManager::kSignature; }

std::int32_t StoredSize(const void* address) { return static_cast<std::int32_t>(LoadU32(Header(address))); }

// Reads MemAvailable from the kernel; falls back to free pages.
std::int64_t QueryAvailablePhysical() {
  if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    long long kib = -1;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) break;
    std::fclose(f);
    if (kib >= 0) return static_cast<std::int64_t>(kib) * 1024;
  }
  const long pages = ::sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<std::int64_t>(pages) * pageSize : 0;
}

}  // namespace

TMemoryAllocationMethod THalvexMemoryManager::MethodFor(std::int64_t totalSize) noexcept {
  if (totalSize <= 726) return TMemoryAllocationMethod::mamHeap;
  if (totalSize <= 64500) return TMemoryAllocationMethod::mamGlobal;
  if (totalSize <= 1048576) return TMemoryAllocationMethod::mamHeap;
  return TMemoryAllocationMethod::mamGlobal;
}

TMemoryAllocationMethod THalvexMemoryManager::BlockMethod(const void* address) noexcept {
  return static_cast<TMemoryAllocationMethod>(Header(address)[4]);
}

void THalvexMemoryManager::Account(std::int64_t delta) {
  platform::TCriticalSectionGuard guard(lock_);
  allocatedBytes_ += delta;
  if (allocatedBytes_ > peakAllocatedBytes_) peakAllocatedBytes_ = allocatedBytes_;
}

std::int64_t THalvexMemoryManager::AllocatedBytes() const {
  platform::TCriticalSectionGuard guard(lock_);
  return allocatedBytes_;
}

std::int64_t THalvexMemoryManager::PeakAllocatedBytes() const {
  platform::TCriticalSectionGuard guard(lock_);
  return peakAllocatedBytes_;
}

// Allocates and frames a block. Engine errors for the size checks; a platform
// EOutOfMemory when the heap refuses, for the caller to wrap in its own message.
void* THalvexMemoryManager::RawGetMem(std::int32_t size) {
  if (size == 0) RaiseHalvex(30286, THalvexMessage::CannotAllocateZero);
  if (size < 0) throw platform::EOutOfMemory("Out of memory");
  {
    // Check and reserve in one step so that concurrent callers cannot both
    // pass the limit.
    platform::TCriticalSectionGuard guard(lock_);
    const std::int64_t limit = MemoryLimit();
    if (limit != 0 && allocatedBytes_ + size > limit)
      RaiseHalvex(30004, THalvexMessage::MemoryLimitExceeded, {limit});
    allocatedBytes_ += size;
    if (allocatedBytes_ > peakAllocatedBytes_) peakAllocatedBytes_ = allocatedBytes_;
  }
  auto* base = static_cast<std::uint8_t*>(std::malloc(kLeadIn + static_cast<std::size_t>(size) + kGuardSize));
  if (base == nullptr) {
    Account(-static_cast<std::int64_t>(size));
    throw platform::EOutOfMemory("Out of memory");
  }
  std::uint8_t* user = base + kLeadIn;
  std::uint8_t* header = user - kHeaderSize;
  StoreU32(header, static_cast<std::uint32_t>(size));
  header[4] = static_cast<std::uint8_t>(MethodFor(static_cast<std::int64_t>(size) + kFrameSize));
  StoreU32(header + 5, kSignature);
  StoreU32(user + size, kGuard);
  allocations_.fetch_add(1, std::memory_order_relaxed);
  return user;
}

void* THalvexMemoryManager::GetMem(std::int32_t size) {
  return WrapForeignFailure(30015, THalvexMessage::GetMemError, [&] { return RawGetMem(size); });
}

void* THalvexMemoryManager::AllocMem(std::int32_t size) {
  void* block = GetMem(size);
  std::memset(block, 0, static_cast<std::size_t>(size));
  zeroAllocations_.fetch_add(1, std::memory_order_relaxed);
  return block;
}

std::int32_t THalvexMemoryManager::BlockSize(const void* address) const {
  if (address == nullptr) return 0;
  if (!SignatureValid(address)) RaiseHalvex(30005, THalvexMessage::InvalidPointer);
  return StoredSize(address);
}

// Unframes and frees a block whose signature was checked; reports whether
// its guard was intact.
void THalvexMemoryManager::RawFree(void* address, bool& guardIntact) {
  auto* user = static_cast<std::uint8_t*>(address);
  const std::int32_t size = StoredSize(address);
  guardIntact = LoadU32(user + size) == kGuard;
  Account(-static_cast<std::int64_t>(size));
  // A stale copy of the address must not pass the signature check again.
  StoreU32(user - kHeaderSize + 5, 0);
  std::free(user - kLeadIn);
  frees_.fetch_add(1, std::memory_order_relaxed);
}

void THalvexMemoryManager::FreeAndNil(void*& address) {
  if (address == nullptr) return;
  // A damaged size field means the frame itself was overwritten: treat the
  // block as foreign rather than reading a guard at a made-up offset.
  if (!SignatureValid(address) || StoredSize(address) <= 0) RaiseHalvex(30001, THalvexMessage::InvalidPointer);
  bool guardIntact = true;
  WrapForeignFailure(30138, THalvexMessage::FreeMemError, [&] { RawFree(address, guardIntact); });
  address = nullptr;
  if (!guardIntact) RaiseHalvex(30137, THalvexMessage::MemoryOverrun);
}

void THalvexMemoryManager::ReallocMem(void*& address, std::int32_t newSize, bool zeroFill) {
  if (address != nullptr && (!SignatureValid(address) || StoredSize(address) <= 0))
    RaiseHalvex(30002, THalvexMessage::InvalidPointer);
  const std::int32_t oldSize = address == nullptr ? 0 : StoredSize(address);
  void* fresh = WrapForeignFailure(30014, THalvexMessage::ReallocMemError, [&] { return RawGetMem(newSize); });
  const std::int32_t kept = oldSize < newSize ? oldSize : newSize;
  if (kept > 0) std::memcpy(fresh, address, static_cast<std::size_t>(kept));
  if (zeroFill && newSize > oldSize)
    std::memset(static_cast<std::uint8_t*>(fresh) + oldSize, 0, static_cast<std::size_t>(newSize - oldSize));
  reallocations_.fetch_add(1, std::memory_order_relaxed);
  void* old = std::exchange(address, fresh);
  if (old != nullptr) {
    bool guardIntact = true;
    RawFree(old, guardIntact);
    if (!guardIntact) RaiseHalvex(30137, THalvexMessage::MemoryOverrun);
  }
}

std::int64_t THalvexMemoryManager::AvailableMemory() {
  const std::int64_t available = QueryAvailablePhysical();
  availablePhysical_.store(available, std::memory_order_relaxed);
  const std::int64_t limit = MemoryLimit();
  return limit != 0 && limit < available ? limit : available;
}

THalvexMemoryManager& MemoryManager() {
  static THalvexMemoryManager manager;
  return manager;
}

}  // namespace halvex
