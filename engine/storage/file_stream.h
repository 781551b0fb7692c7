#pragma once
// THalvexFileStream: a stream on a file opened by ANSI or wide name, with the
// engine's open modes; FileExists.
//
// Open mode (16 bits):
//   FFFF hex          create the file, or truncate an existing one; the new
//                     handle reads and writes and shares nothing
//   bits 0-3          access: 0 read, 1 write, 2 read and write (others fail)
//   bits 4-7          share: 10 hex exclusive, 20 hex deny write, anything
//                     else shared for reading and writing
// Share modes hold between all handles of the engine on the same file (see
// platform/rtl/file.h): e.g. two deny-write readers coexist, a writer is then
// refused, and an exclusive handle refuses and is refused by every other.
//
// A wide name is handed to the system as UTF-8; a narrow name as its bytes.
//
// Owns its handle. Not thread-safe (see THalvexStream::Lock).

#include <cstdint>
#include <string>

#include "engine/storage/stream.h"
#include "platform/rtl/file.h"

namespace halvex {

constexpr std::uint16_t fmCreate = 0xFFFF;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

class THalvexFileStream : public THalvexStream {
 public:
  static constexpr std::uint32_t kDefaultAttributes = 0666;

  // Raise "Cannot create file. FileName = %s" (10104) when mode FFFF hex
  // cannot create the file, "Cannot open file. FileName = %s, Mode = %d"
  // (10105) when another mode cannot open it. attributes are the permission
  // bits of a created file (the umask applies).
  THalvexFileStream(const std::string& fileName, std::uint16_t mode, std::uint32_t attributes = kDefaultAttributes);
  THalvexFileStream(const std::u16string& wideFileName, std::uint16_t mode,
                    std::uint32_t attributes = kDefaultAttributes);

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override;
  // Moves the end of the file and keeps the position unless it lies beyond
  // the new end. Raises EOSError when the system refuses (a handle without
  // write access, a full disk).
  void SetSize(std::int64_t newSize) override;
  // Return 0 when the system fails (or the handle lacks the access).
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // A negative target is refused and the position returned unchanged.
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override;

  // Exactly one of the two names is set.
  const std::string& FileName() const noexcept { return fileName_; }
  const std::u16string& WideFileName() const noexcept { return wideFileName_; }
  // The name the system was given.
  const std::string& SystemFileName() const noexcept { return systemFileName_; }
  std::uint16_t Mode() const noexcept { return mode_; }
  std::uint32_t Attributes() const noexcept { return attributes_; }

 private:
  void OpenHandle();

  std::string fileName_;
  std::u16string wideFileName_;
  std::string systemFileName_;
  std::uint16_t mode_;
  std::uint32_t attributes_;
  platform::TFileHandle handle_;
};

// True when the file can be opened for reading, shared for reading and
// writing, without creating it; the handle is closed at once. The wide name
// is used when it is not empty, else the narrow one.
bool FileExists(const std::string& fileName, const std::u16string& wideFileName);

}  // namespace halvex
