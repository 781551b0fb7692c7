#pragma once
// THalvexStream: the base of the engine's stream family. Adds to the
// platform stream a read-write synchroniser for owners that share a stream,
// the block size used for whole-stream copies, and a progress event.
//
// Whole-stream copies (SaveToStream, LoadFromStream) move the bytes in chunks
// of BlockSize through one buffer of engine memory. OnProgress receives 0
// before the first chunk, the copied share in percent after each chunk, and
// 100 once more at the end unless the copy was aborted. Setting Abort in the
// event stops the copy after the chunk just copied (before the first one
// when set on the 0 call) and leaves Aborted() true. Whatever happens, both
// streams get back the positions they had before the call.
//
// Thread safety: a stream is used by one thread at a time; Lock and Unlock
// let owners that share one serialise their access.

#include <cstdint>
#include <functional>

#include "engine/access/read_write_sync.h"
#include "platform/rtl/stream.h"

namespace halvex {

class THalvexStream;

// Sender, Abort (set it to stop the copy), Percent copied so far.
using THalvexProgressEvent = std::function<void(THalvexStream* sender, bool& abort, double percent)>;

class THalvexStream : public platform::TStream {
 public:
  static constexpr std::int32_t kDefaultBlockSize = 102400;

  THalvexStream();
  ~THalvexStream() override;

  // Virtual operations, in slot order. Read and Write stay abstract; the
  // 32-bit forms call the 64-bit ones.
  std::int64_t GetSize() override;
  virtual void SetSize(std::int32_t newSize);
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override = 0;
  std::int64_t Write(const void* buffer, std::int64_t count) override = 0;
  // Raises ERangeError, with the position left as it was, when the result
  // does not fit 32 bits.
  virtual std::int32_t Seek(std::int32_t offset, platform::TSeekOrigin origin);
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override = 0;
  // Enters the synchroniser for writing (write) or reading; pair with Unlock.
  virtual void Lock(bool write);
  virtual void Unlock();

  // Copies the whole stream, from position 0, to the destination's current
  // position. Raises 10418 for BlockSize <= 0, 10146 on a short read and
  // 10147 on a short write.
  void SaveToStream(platform::TStream& destination);
  // LoadFromStream(source, source size, 0).
  void LoadFromStream(platform::TStream& source);
  // Empties this stream, then copies count bytes of source from start.
  // Raises 10419 for BlockSize <= 0, 10148 when the source cannot be read
  // from start for count bytes, 10149 on a short write.
  void LoadFromStream(platform::TStream& source, std::int64_t count, std::int64_t start);

  std::int32_t BlockSize() const noexcept { return blockSize_; }
  void SetBlockSize(std::int32_t blockSize) noexcept { blockSize_ = blockSize; }
  bool Aborted() const noexcept { return aborted_; }
  THalvexReadWriteThreadSyncByCriticalSections& Sync() noexcept { return sync_; }

  THalvexProgressEvent OnProgress;

 private:
  void CopyChunks(platform::TStream& source, platform::TStream& destination, std::int64_t count, std::int32_t readError,
                  std::int32_t writeError);
  void Progress(double percent);

  THalvexReadWriteThreadSyncByCriticalSections sync_;
  std::int32_t blockSize_ = kDefaultBlockSize;
  bool aborted_ = false;
};

// Holds a stream's Lock for the lifetime of the hold.
class THalvexStreamLock {
 public:
  THalvexStreamLock(THalvexStream& stream, bool write) : stream_(stream) { stream_.Lock(write); }
  ~THalvexStreamLock() { stream_.Unlock(); }
  THalvexStreamLock(const THalvexStreamLock&) = delete;
  THalvexStreamLock& operator=(const THalvexStreamLock&) = delete;

 private:
  THalvexStream& stream_;
};

// Puts a stream back at the position it had when the guard was made: by
// Restore() on the normal path, or by the destructor while an exception
// leaves the scope.
class TStreamPositionGuard {
 public:
  explicit TStreamPositionGuard(platform::TStream& stream) : stream_(stream), position_(stream.Position()) {}
  ~TStreamPositionGuard();
  TStreamPositionGuard(const TStreamPositionGuard&) = delete;
  TStreamPositionGuard& operator=(const TStreamPositionGuard&) = delete;

  void Restore();

 private:
  platform::TStream& stream_;
  std::int64_t position_;
  bool pending_ = true;
};

// The position a Seek(offset, origin) asks for from position in a stream of
// size bytes; false when it overflows or lies before the start.
inline bool SeekTarget(std::int64_t position, std::int64_t size, std::int64_t offset, platform::TSeekOrigin origin,
                       std::int64_t& target) noexcept {
  std::int64_t base = 0;
  if (origin == platform::TSeekOrigin::soCurrent) base = position;
  if (origin == platform::TSeekOrigin::soEnd) base = size;
  return !__builtin_add_overflow(base, offset, &target) && target >= 0;
}

}  // namespace halvex
