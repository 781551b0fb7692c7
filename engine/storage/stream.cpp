#include "engine/storage/stream.h"

#include <algorithm>
#include <limits>

#include "engine/storage/exact_io.h"
#include "engine/storage/exception.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/exception.h"

namespace halvex {

THalvexStream::THalvexStream() { sync_.Bind(this, "THalvexStream"); }

THalvexStream::~THalvexStream() = default;

std::int64_t THalvexStream::GetSize() { return platform::TStream::GetSize(); }

void THalvexStream::SetSize(std::int32_t newSize) { SetSize(static_cast<std::int64_t>(newSize)); }

void THalvexStream::SetSize(std::int64_t newSize) { platform::TStream::SetSize(newSize); }

std::int32_t THalvexStream::Seek(std::int32_t offset, platform::TSeekOrigin origin) {
  const std::int64_t before = Position();
  const std::int64_t reached = Seek(static_cast<std::int64_t>(offset), origin);
  if (reached > std::numeric_limits<std::int32_t>::max() || reached < std::numeric_limits<std::int32_t>::min()) {
    Seek(before, platform::TSeekOrigin::soBeginning);
    throw platform::ERangeError("Range check error");
  }
  return static_cast<std::int32_t>(reached);
}

void THalvexStream::Lock(bool write) {
  if (write)
    sync_.BeginWrite();
  else
    sync_.BeginRead();
}

void THalvexStream::Unlock() { sync_.EndAccess(); }

void THalvexStream::Progress(double percent) {
  if (!OnProgress) return;
  bool abort = aborted_;
  OnProgress(this, abort, percent);
  aborted_ = abort;
}

void THalvexStream::CopyChunks(platform::TStream& source, platform::TStream& destination, std::int64_t count,
                               std::int32_t readError, std::int32_t writeError) {
  aborted_ = false;
  Progress(0);
  if (count > 0 && !aborted_) {
    // A stream smaller than one block needs no block-sized buffer.
    const auto bufferSize = static_cast<std::int32_t>(std::min<std::int64_t>(blockSize_, count));
    THalvexStreamBuffer buffer(bufferSize);
    std::int64_t copied = 0;
    while (copied < count && !aborted_) {
      const std::int64_t chunk = std::min<std::int64_t>(bufferSize, count - copied);
      ReadExact(buffer.Bytes(), chunk, source, readError);
      WriteExact(buffer.Bytes(), chunk, destination, writeError);
      copied += chunk;
      Progress(static_cast<double>(copied) / static_cast<double>(count) * 100.0);
    }
  }
  if (!aborted_) Progress(100);
}

void THalvexStream::SaveToStream(platform::TStream& destination) {
  if (blockSize_ <= 0) RaiseHalvex(10418, THalvexMessage::StreamBlockSizeNotAllowed, {blockSize_});
  TStreamPositionGuard ownPosition(*this);
  TStreamPositionGuard destinationPosition(destination);
  const std::int64_t size = GetSize();
  Seek(std::int64_t{0}, platform::TSeekOrigin::soBeginning);
  CopyChunks(*this, destination, size, 10146, 10147);
  destinationPosition.Restore();
  ownPosition.Restore();
}

void THalvexStream::LoadFromStream(platform::TStream& source) { LoadFromStream(source, source.Size(), 0); }

void THalvexStream::LoadFromStream(platform::TStream& source, std::int64_t count, std::int64_t start) {
  if (blockSize_ <= 0) RaiseHalvex(10419, THalvexMessage::StreamBlockSizeNotAllowed, {blockSize_});
  TStreamPositionGuard ownPosition(*this);
  TStreamPositionGuard sourcePosition(source);
  SetSize(std::int64_t{0});
  Seek(std::int64_t{0}, platform::TSeekOrigin::soBeginning);
  // Copying from anywhere but start would load the wrong bytes.
  SeekExact(source, 10148, start);
  CopyChunks(source, *this, count, 10148, 10149);
  sourcePosition.Restore();
  ownPosition.Restore();
}

TStreamPositionGuard::~TStreamPositionGuard() {
  if (!pending_) return;
  try {
    stream_.Seek(position_, platform::TSeekOrigin::soBeginning);
  } catch (const std::exception&) {
    // Only reached while another failure leaves the scope: that one is
    // reported, a second one from restoring the position would end the process.
  }
}

void TStreamPositionGuard::Restore() {
  pending_ = false;
  stream_.Seek(position_, platform::TSeekOrigin::soBeginning);
}

}  // namespace halvex
