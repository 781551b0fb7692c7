#include "engine/access/record_buffer_cache.h"

#include "engine/storage/exception.h"
#include "engine/storage/memory_manager.h"

namespace halvex {

THalvexRecordBufferCache::THalvexRecordBufferCache(std::int32_t bufferSize)
    : bufferSize_(bufferSize), buffers_(0, 100, 10) {
  lock_.Bind(this, "THalvexRecordBufferCache");
}

THalvexRecordBufferCache::~THalvexRecordBufferCache() {
  for (std::int32_t i = 0; i < buffers_.Count(); ++i) {
    try {
      MemoryManager().FreeAndNil(buffers_.Data()[i]);
    } catch (const EHalvexException&) {
      // A damaged scratch buffer must not stop the others from being freed.
    }
  }
}

void* THalvexRecordBufferCache::Acquire() {
  THalvexSyncHold hold(lock_, THalvexSyncHold::Mode::Write);
  const std::int32_t count = buffers_.Count();
  if (count > 0 && inUse_.SetCount() < count) {
    const std::int32_t free = inUse_.FindFirst(false);
    if (free < 0) RaiseHalvex(11763, THalvexMessage::NilPointer);
    inUse_.SetBit(free, true);
    return buffers_.Data()[free];
  }
  THalvexMemoryBlock block(bufferSize_);
  buffers_.Add(block.Get());
  try {
    inUse_.SetBitCount(count + 1);
  } catch (...) {
    buffers_.SetCount(count);  // the block goes back with `block`
    throw;
  }
  inUse_.SetBit(count, true);
  return block.Release();
}

void THalvexRecordBufferCache::Release(void* buffer) {
  THalvexSyncHold hold(lock_, THalvexSyncHold::Mode::Write);
  void* const* buffers = buffers_.Data();
  for (std::int32_t i = 0; i < buffers_.Count(); ++i) {
    if (buffers[i] == buffer) {
      inUse_.SetBit(i, false);
      return;
    }
  }
}

std::int32_t THalvexRecordBufferCache::BufferCount() const {
  THalvexSyncHold hold(lock_, THalvexSyncHold::Mode::Read);
  return buffers_.Count();
}

std::int32_t THalvexRecordBufferCache::InUseCount() const {
  THalvexSyncHold hold(lock_, THalvexSyncHold::Mode::Read);
  return inUse_.SetCount();
}

}  // namespace halvex
