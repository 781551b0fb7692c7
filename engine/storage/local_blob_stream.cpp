#include "engine/storage/local_blob_stream.h"

#include <cassert>

#include "engine/storage/exception.h"

namespace halvex {

THalvexLocalBLOBStream::THalvexLocalBLOBStream(std::unique_ptr<THalvexCompressedBLOBStream> blob,
                                               std::unique_ptr<platform::TStream> underlying, std::int32_t fieldNo,
                                               TRecordID recordID, THalvexBlobOpenMode mode)
    : underlying_(std::move(underlying)), blob_(std::move(blob)), fieldNo_(fieldNo), recordID_(recordID), mode_(mode) {
  // Cannot fire: the only caller, the table data, hands over the stream it has just opened.
  assert(blob_ != nullptr);
}

THalvexLocalBLOBStream::~THalvexLocalBLOBStream() = default;

void THalvexLocalBLOBStream::SetSize(std::int64_t newSize) {
  if (ReadOnly()) RaiseHalvex(10116, THalvexMessage::CannotWriteToReadOnlyStream);
  blob_->SetSize(newSize);
  modified_ = true;
}

std::int64_t THalvexLocalBLOBStream::Write(const void* buffer, std::int64_t count) {
  if (ReadOnly()) RaiseHalvex(10115, THalvexMessage::CannotWriteToReadOnlyStream);
  const std::int64_t written = blob_->Write(buffer, count);
  if (written > 0) modified_ = true;
  return written;
}

}  // namespace halvex
