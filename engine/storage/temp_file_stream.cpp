#include "engine/storage/temp_file_stream.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/exact_io.h"
#include "engine/storage/exception.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/file.h"

namespace halvex {

THalvexTempFileStream::THalvexTempFileStream() : cache_(kCacheBlockSize) {
  SetBlockSize(kCacheBlockSize);
  fileName_ = platform::CreateUniqueFile(platform::TempDirectory(), kFilePrefix);
  if (fileName_.empty())
    RaiseHalvex(10104, THalvexMessage::CannotCreateFile,
                {platform::TempDirectory() + "/" + std::string(kFilePrefix) + "XXXXXX"});
  try {
    file_ = std::make_unique<THalvexFileStream>(fileName_, fmCreate);
  } catch (...) {
    platform::DeleteFile(fileName_);  // the name was made for us alone
    throw;
  }
}

THalvexTempFileStream::~THalvexTempFileStream() {
  file_.reset();
  platform::DeleteFile(fileName_);  // a leftover file in the temporary directory is all a failure can cost
}

void THalvexTempFileStream::WriteBack() {
  if (pendingBlock_ < 0) return;
  const std::int64_t start = pendingBlock_ * kCacheBlockSize;
  const std::int64_t count = std::min<std::int64_t>(kCacheBlockSize, size_ - start);
  if (count > 0) {
    SeekExact(*file_, 11698, start);
    WriteExact(cache_.Bytes(), count, *file_, 11698);
  }
  pendingBlock_ = -1;
}

void THalvexTempFileStream::LoadBlock(std::int64_t block, bool overwrite) {
  if (cachedBlock_ == block) return;
  WriteBack();
  cachedBlock_ = -1;  // until the load below has succeeded
  const std::int64_t start = block * kCacheBlockSize;
  std::int64_t loaded = 0;
  if (!overwrite && start < size_) {
    loaded = std::min<std::int64_t>(kCacheBlockSize, size_ - start);
    SeekExact(*file_, 11697, start);
    ReadExact(cache_.Bytes(), loaded, *file_, 11697);
  }
  std::memset(cache_.Bytes() + loaded, 0, static_cast<std::size_t>(kCacheBlockSize - loaded));
  cachedBlock_ = block;
}

std::int64_t THalvexTempFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int64_t total = std::min(count, size_ - position_);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < total) {
    const std::int64_t offset = position_ % kCacheBlockSize;
    const std::int64_t chunk = std::min(kCacheBlockSize - offset, total - done);
    LoadBlock(position_ / kCacheBlockSize, false);
    std::memcpy(out + done, cache_.Bytes() + offset, static_cast<std::size_t>(chunk));
    position_ += chunk;
    done += chunk;
  }
  return done;
}

std::int64_t THalvexTempFileStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t end = 0;
  if (count <= 0 || __builtin_add_overflow(position_, count, &end)) return 0;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t offset = position_ % kCacheBlockSize;
    const std::int64_t chunk = std::min(kCacheBlockSize - offset, count - done);
    LoadBlock(position_ / kCacheBlockSize, chunk == kCacheBlockSize);
    std::memcpy(cache_.Bytes() + offset, in + done, static_cast<std::size_t>(chunk));
    pendingBlock_ = cachedBlock_;
    position_ += chunk;
    done += chunk;
    size_ = std::max(size_, position_);
  }
  return done;
}

void THalvexTempFileStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw platform::ERangeError("Range check error");
  WriteBack();
  cachedBlock_ = -1;
  file_->SetSize(newSize);
  size_ = newSize;
  position_ = std::min(position_, size_);
}

std::int64_t THalvexTempFileStream::Seek(std::int64_t offset, platform::TSeekOrigin origin) {
  std::int64_t target = 0;
  if (SeekTarget(position_, size_, offset, origin, target)) position_ = target;
  return position_;
}

}  // namespace halvex
