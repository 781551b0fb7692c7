#pragma once
// Files: an open file with the access and share modes the engine asks for,
// the temporary directory, unique temporary names, deletion, and the UTF-8
// form of wide file names.
//
// Share modes are enforced between all TFileHandle objects on the same file,
// in this process or another, with open-file-description locks (F_OFD_SETLK)
// on four sentinel bytes far beyond any data a file can hold:
//
//   offset             meaning of a read lock held there
//   kLockBase + 0      this handle reads
//   kLockBase + 1      this handle writes
//   kLockBase + 2      this handle lets nobody else read
//   kLockBase + 3      this handle lets nobody else write
//
// An open takes the locks that describe it first and then looks for a
// conflicting lock held by another description (a reader against "deny
// read", a writer against "deny write", and the reverse). Taking before
// looking means two conflicting opens racing each other can both fail, but
// never both succeed. Locks vanish with the descriptor, also when a process
// dies. Handles opened by other programs without these locks are not seen.
//
// A write-only handle needs a readable descriptor to hold its read locks; on
// a file it may write but not read it still checks for conflicts but cannot
// announce its own writing.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/stream.h"

namespace platform {

enum class TFileAccess : std::uint8_t { faRead, faWrite, faReadWrite };
enum class TFileShare : std::uint8_t { fsExclusive, fsDenyWrite, fsDenyNone };

class TFileHandle {
 public:
  static constexpr std::int64_t kLockBase = INT64_C(0x7FFFFFFFFFFFFF00);

  TFileHandle() = default;  // closed
  TFileHandle(TFileHandle&& other) noexcept;
  TFileHandle& operator=(TFileHandle&& other) noexcept;
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  ~TFileHandle() { Close(); }

  // Opens an existing regular file. On failure the handle is closed and
  // LastError() holds the system error (EBUSY for a share conflict, EISDIR or
  // EINVAL for something that is not a regular file).
  static TFileHandle Open(const std::string& path, TFileAccess access, TFileShare share);
  // Creates the file, or truncates an existing one, for reading and writing.
  // A file held by another handle whose share mode forbids this is left
  // untouched and the call fails. permissions are the mode bits of a new file
  // (the process umask applies).
  static TFileHandle Create(const std::string& path, TFileShare share, std::uint32_t permissions);

  bool IsOpen() const noexcept { return fd_ >= 0; }
  int LastError() const noexcept { return lastError_; }
  TFileAccess Access() const noexcept { return access_; }

  // Transfer up to count bytes at the file position and return the bytes
  // moved before the end of the file or a failure: 0 when the system fails at
  // once, on a closed handle, or when the handle lacks the access.
  std::int64_t Read(void* buffer, std::int64_t count) noexcept;
  std::int64_t Write(const void* buffer, std::int64_t count) noexcept;
  // Returns the new position, or -1 when the system refuses (the position is
  // then unchanged).
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) noexcept;
  // The file's size, or -1 when it cannot be read.
  std::int64_t Size() const noexcept;
  // Moves the end of the file; false (with LastError) when the system refuses.
  bool SetSize(std::int64_t size) noexcept;
  void Close() noexcept;

 private:
  static TFileHandle OpenDescriptor(const std::string& path, int flags, std::uint32_t permissions, TFileAccess access,
                                    TFileShare share, bool truncate);

  int fd_ = -1;
  int lastError_ = 0;
  TFileAccess access_ = TFileAccess::faRead;
};

// The user's temporary directory without a trailing slash: TMPDIR when it is
// set and not empty, else /tmp. Read on first use and kept for the process;
// safe from any thread.
const std::string& TempDirectory();

// Creates a new empty file named prefix + a unique suffix in directory, with
// permissions 0600, and returns its path; empty when it cannot be created.
std::string CreateUniqueFile(const std::string& directory, std::string_view prefix);

// Removes a file; false when the system refuses.
bool DeleteFile(const std::string& path) noexcept;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform
