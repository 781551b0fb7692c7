#include "engine/storage/temporary_stream.h"

namespace halvex {

THalvexTemporaryStream::THalvexTemporaryStream() : memory_(std::make_unique<THalvexMemoryStream>()) {
  SetBlockSize(kBlockSize);
}

THalvexTemporaryStream::~THalvexTemporaryStream() = default;

THalvexStream& THalvexTemporaryStream::Inner() noexcept {
  if (memory_) return *memory_;
  return *file_;
}

const std::string& THalvexTemporaryStream::FileName() const noexcept {
  static const std::string none;
  return file_ ? file_->FileName() : none;
}

void THalvexTemporaryStream::SetSize(std::int64_t newSize) {
  if (memory_ && newSize > kThreshold) {
    auto file = std::make_unique<THalvexTempFileStream>();
    memory_->SaveToStream(*file);
    file->Seek(memory_->Position(), platform::TSeekOrigin::soBeginning);
    file_ = std::move(file);
    memory_.reset();
  }
  Inner().SetSize(newSize);
}

}  // namespace halvex
