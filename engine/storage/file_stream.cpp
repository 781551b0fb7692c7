#include "engine/storage/file_stream.h"

#include <cstring>

#include "engine/storage/exception.h"
#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace halvex {
namespace {

platform::TFileShare ShareOf(std::uint16_t mode) {
  switch (mode & 0xF0) {
    case fmShareExclusive:
      return platform::TFileShare::fsExclusive;
    case fmShareDenyWrite:
      return platform::TFileShare::fsDenyWrite;
    default:
      return platform::TFileShare::fsDenyNone;
  }
}

}  // namespace

THalvexFileStream::THalvexFileStream(const std::string& fileName, std::uint16_t mode, std::uint32_t attributes)
    : fileName_(fileName), systemFileName_(fileName), mode_(mode), attributes_(attributes) {
  OpenHandle();
}

THalvexFileStream::THalvexFileStream(const std::u16string& wideFileName, std::uint16_t mode, std::uint32_t attributes)
    : wideFileName_(wideFileName),
      systemFileName_(platform::Utf16ToUtf8(wideFileName)),
      mode_(mode),
      attributes_(attributes) {
  OpenHandle();
}

void THalvexFileStream::OpenHandle() {
  SetBlockSize(kDefaultBlockSize);
  if (mode_ == fmCreate) {
    // Created files are held exclusively, as the system they come from does.
    handle_ = platform::TFileHandle::Create(systemFileName_, platform::TFileShare::fsExclusive, attributes_);
    if (!handle_.IsOpen()) RaiseHalvex(10104, THalvexMessage::CannotCreateFile, {systemFileName_});
    return;
  }
  const int access = mode_ & 0x0F;
  if (access <= 2) {
    const auto kind = access == 0   ? platform::TFileAccess::faRead
                      : access == 1 ? platform::TFileAccess::faWrite
                                    : platform::TFileAccess::faReadWrite;
    handle_ = platform::TFileHandle::Open(systemFileName_, kind, ShareOf(mode_));
  }
  if (!handle_.IsOpen()) RaiseHalvex(10105, THalvexMessage::CannotOpenFile, {systemFileName_, mode_});
}

std::int64_t THalvexFileStream::GetSize() { return handle_.Size(); }

void THalvexFileStream::SetSize(std::int64_t newSize) {
  const std::int64_t position = handle_.Seek(0, platform::TSeekOrigin::soCurrent);
  if (!handle_.SetSize(newSize)) {
    const int error = handle_.LastError();
    char text[256];
    throw platform::EOSError(
        platform::Format("System Error. Code: %d. %s", {error, ::strerror_r(error, text, sizeof text)}), error);
  }
  if (position > newSize) handle_.Seek(newSize, platform::TSeekOrigin::soBeginning);
}

std::int64_t THalvexFileStream::Read(void* buffer, std::int64_t count) { return handle_.Read(buffer, count); }

std::int64_t THalvexFileStream::Write(const void* buffer, std::int64_t count) { return handle_.Write(buffer, count); }

std::int64_t THalvexFileStream::Seek(std::int64_t offset, platform::TSeekOrigin origin) {
  const std::int64_t reached = handle_.Seek(offset, origin);
  return reached >= 0 ? reached : handle_.Seek(0, platform::TSeekOrigin::soCurrent);
}

bool FileExists(const std::string& fileName, const std::u16string& wideFileName) {
  const std::string name = wideFileName.empty() ? fileName : platform::Utf16ToUtf8(wideFileName);
  return platform::TFileHandle::Open(name, platform::TFileAccess::faRead, platform::TFileShare::fsDenyNone).IsOpen();
}

}  // namespace halvex
