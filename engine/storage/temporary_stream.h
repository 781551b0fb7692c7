#pragma once
// THalvexTemporaryStream: temporary data that starts in memory and moves to
// a temporary file when it is made large.
//
// Read, Write and Seek go to the current inner stream: a THalvexMemoryStream
// while InMemory, else a THalvexTempFileStream. Only SetSize moves the data:
// SetSize(n) with n above Threshold while InMemory creates the temporary
// file, copies the memory contents and the position into it, frees the
// memory stream and clears InMemory, then applies n. A stream that grows by
// writing alone stays in memory however large it gets.
//
// Owns its inner stream. Not thread-safe.

#include <cstdint>
#include <memory>

#include "engine/storage/memory_stream.h"
#include "engine/storage/stream.h"
#include "engine/storage/temp_file_stream.h"

namespace halvex {

class THalvexTemporaryStream : public THalvexStream {
 public:
  static constexpr std::int64_t kThreshold = 1048576;
  static constexpr std::int32_t kBlockSize = 32768;

  THalvexTemporaryStream();
  ~THalvexTemporaryStream() override;

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override { return Inner().GetSize(); }
  // Raises the errors of the inner streams; when the move to a file fails,
  // the data stays in memory unchanged.
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override { return Inner().Read(buffer, count); }
  std::int64_t Write(const void* buffer, std::int64_t count) override { return Inner().Write(buffer, count); }
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override { return Inner().Seek(offset, origin); }

  bool InMemory() const noexcept { return memory_ != nullptr; }
  std::int64_t Threshold() const noexcept { return kThreshold; }
  // The temporary file's name; empty while InMemory.
  const std::string& FileName() const noexcept;

 private:
  THalvexStream& Inner() noexcept;

  // Exactly one of the two is set.
  std::unique_ptr<THalvexMemoryStream> memory_;
  std::unique_ptr<THalvexTempFileStream> file_;
};

}  // namespace halvex
