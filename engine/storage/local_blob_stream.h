#pragma once
// THalvexLocalBLOBStream: the stream a cursor hands out for one BLOB field
// of one record. It wraps the compressed BLOB stream of the value together
// with the field number, the record and the open mode, and refuses changes
// in read-only mode.
//
// Owns the compressed stream, and the stream beneath it (the temporary
// stream carrying the stored form) unless the owner takes that back with
// ReleaseUnderlyingStream. The compressed stream is destroyed first.
// Not thread-safe: one cursor uses it at a time.

#include <cstdint>
#include <memory>

#include "engine/storage/compressed_blob_stream.h"
#include "engine/storage/record_id.h"
#include "engine/storage/stream.h"

namespace halvex {

// The engine's BLOB open modes.
enum class THalvexBlobOpenMode : std::uint8_t { bomWrite = 0, bomRead = 1, bomReadWrite = 2 };

class THalvexLocalBLOBStream : public THalvexStream {
 public:
  // REQUIRES: blob is not null; blob reads and writes underlying (or a
  // stream the caller keeps alive for as long as this one). underlying may
  // be null when the caller owns the stream beneath.
  THalvexLocalBLOBStream(std::unique_ptr<THalvexCompressedBLOBStream> blob,
                         std::unique_ptr<platform::TStream> underlying, std::int32_t fieldNo, TRecordID recordID,
                         THalvexBlobOpenMode mode);
  ~THalvexLocalBLOBStream() override;

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override { return blob_->GetSize(); }
  // Read-only mode: "Cannot write to read only stream" (10116).
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override { return blob_->Read(buffer, count); }
  // Read-only mode: "Cannot write to read only stream" (10115).
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override { return blob_->Seek(offset, origin); }

  THalvexCompressedBLOBStream& BlobStream() noexcept { return *blob_; }
  // The stream beneath, null when it was released or never owned.
  platform::TStream* UnderlyingStream() const noexcept { return underlying_.get(); }
  // Hands the stream beneath back to the caller, who must keep it alive while
  // this stream exists; it is then not destroyed with this stream.
  std::unique_ptr<platform::TStream> ReleaseUnderlyingStream() noexcept { return std::move(underlying_); }

  std::int32_t FieldNo() const noexcept { return fieldNo_; }
  const TRecordID& RecordID() const noexcept { return recordID_; }
  THalvexBlobOpenMode Mode() const noexcept { return mode_; }
  bool ReadOnly() const noexcept { return mode_ == THalvexBlobOpenMode::bomRead; }
  // True once a Write or SetSize went through: the value must be stored again.
  bool Modified() const noexcept { return modified_; }

 private:
  // Declared first so that it is destroyed after the stream working on it.
  std::unique_ptr<platform::TStream> underlying_;
  std::unique_ptr<THalvexCompressedBLOBStream> blob_;
  std::int32_t fieldNo_;
  TRecordID recordID_;
  THalvexBlobOpenMode mode_;
  bool modified_ = false;
};

}  // namespace halvex
