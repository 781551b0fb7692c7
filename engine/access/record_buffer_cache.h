#pragma once
// THalvexRecordBufferCache: scratch record buffers of one table, handed out
// and taken back by cursors of any thread, so that searches and navigation do
// not allocate a buffer per record. Buffers are never shrunk; they are freed
// when the cache is destroyed.
//
// Thread safety: Acquire and Release run under the cache's own lock, taken
// for the duration of the call only and holding nothing else meanwhile.

#include <cstdint>

#include "engine/access/bits_array.h"
#include "engine/access/growable_array.h"
#include "engine/access/read_write_sync.h"

namespace halvex {

class THalvexRecordBufferCache {
 public:
  explicit THalvexRecordBufferCache(std::int32_t bufferSize);
  ~THalvexRecordBufferCache();
  THalvexRecordBufferCache(const THalvexRecordBufferCache&) = delete;
  THalvexRecordBufferCache& operator=(const THalvexRecordBufferCache&) = delete;

  std::int32_t BufferSize() const noexcept { return bufferSize_; }
  // A buffer of BufferSize bytes of engine memory, contents undefined; the
  // caller gives it back with Release.
  void* Acquire();
  // An address the cache did not hand out changes nothing.
  void Release(void* buffer);

  std::int32_t BufferCount() const;
  std::int32_t InUseCount() const;

 private:
  const std::int32_t bufferSize_;
  mutable THalvexReadWriteThreadSyncBySingleCriticalSection lock_;
  // Guarded by lock_.
  THalvexGrowableArray<void*, std::int32_t> buffers_;  // owned engine blocks
  THalvexBitsArray inUse_;                             // one bit per buffer, 1 = handed out
};

// Holds one buffer of a cache for a scope.
class THalvexCachedRecordBuffer {
 public:
  explicit THalvexCachedRecordBuffer(THalvexRecordBufferCache& cache) : cache_(cache), buffer_(cache.Acquire()) {}
  ~THalvexCachedRecordBuffer() { cache_.Release(buffer_); }
  THalvexCachedRecordBuffer(const THalvexCachedRecordBuffer&) = delete;
  THalvexCachedRecordBuffer& operator=(const THalvexCachedRecordBuffer&) = delete;
  std::uint8_t* Get() const noexcept { return static_cast<std::uint8_t*>(buffer_); }

 private:
  THalvexRecordBufferCache& cache_;
  void* buffer_;
};

}  // namespace halvex
