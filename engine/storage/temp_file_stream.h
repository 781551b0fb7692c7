#pragma once
// THalvexTempFileStream: a stream on a new file in the temporary directory,
// read and written through a cache of one block.
//
// The file is named with the prefix "ACR" and a unique suffix and created as
// by THalvexFileStream with mode FFFF hex. The logical Position and Size live
// here; block n of the stream is bytes n * 32768 .. n * 32768 + 32767 of the
// file. A block is loaded by reading it from the file (only up to the logical
// Size; the rest of the cache reads as zero, as does a block past the end);
// before another block is loaded, the cached block is written back when it
// was modified. Destroying the stream closes and deletes its file, without
// writing the cache back.
//
// Raises "Cannot read from stream. ..." (11697) when the file gives less
// than a block load needs and "Cannot write to stream. ..." (11698) when a
// write-back is short.
//
// Owns its file and its cache (engine memory). Not thread-safe.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/storage/file_stream.h"
#include "engine/storage/stream.h"
#include "engine/storage/wipe.h"

namespace halvex {

class THalvexTempFileStream : public THalvexStream {
 public:
  static constexpr std::int32_t kCacheBlockSize = 32768;
  static constexpr std::string_view kFilePrefix = "ACR";

  // Raises "Cannot create file. FileName = %s" (10104) when no file can be
  // made in the temporary directory.
  THalvexTempFileStream();
  ~THalvexTempFileStream() override;

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override { return size_; }
  // Writes the cached block back, moves the end of the file and forgets the
  // cache. Raises ERangeError for a negative size, EOSError when the file
  // cannot be resized.
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Writing past the end leaves zeros in between.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // A position beyond Size is allowed; a negative one is refused and the
  // position returned unchanged.
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override;

  const std::string& FileName() const noexcept { return fileName_; }
  // The block held in the cache, and the one that must be written back; -1 for none.
  std::int64_t CachedBlock() const noexcept { return cachedBlock_; }
  std::int64_t PendingBlock() const noexcept { return pendingBlock_; }

 private:
  // Makes block the cached one, writing the previous one back first. With
  // overwrite the caller replaces the whole block, so nothing is read.
  void LoadBlock(std::int64_t block, bool overwrite);
  void WriteBack();

  THalvexStreamBuffer cache_;  // kCacheBlockSize bytes; allocated before the file exists
  std::string fileName_;
  std::unique_ptr<THalvexFileStream> file_;
  std::int64_t cachedBlock_ = -1;
  std::int64_t pendingBlock_ = -1;  // -1 or cachedBlock_
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

}  // namespace halvex
