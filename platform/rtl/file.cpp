#include "platform/rtl/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace platform {
namespace {

constexpr std::int64_t kReadsByte = TFileHandle::kLockBase + 0;
constexpr std::int64_t kWritesByte = TFileHandle::kLockBase + 1;
constexpr std::int64_t kDeniesReadByte = TFileHandle::kLockBase + 2;
constexpr std::int64_t kDeniesWriteByte = TFileHandle::kLockBase + 3;

// One system call moves at most this much, well inside ssize_t.
constexpr std::int64_t kMaxTransfer = std::int64_t{1} << 30;

enum class TLockResult : std::uint8_t { Held, Conflict, Unsupported };

// Announces one property of this descriptor by a read lock on its byte.
TLockResult HoldByte(int fd, std::int64_t offset) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = 1;
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return TLockResult::Held;
  // Only a write lock of a foreign program can block a read lock here.
  if (errno == EAGAIN || errno == EACCES) return TLockResult::Conflict;
  return TLockResult::Unsupported;
}

// True when another open file description holds any lock on the byte.
bool HeldElsewhere(int fd, std::int64_t offset) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;  // no locking here: nothing to see
  return lock.l_type != F_UNLCK;
}

// Takes the locks describing this handle, then looks for handles it
// conflicts with. Returns 0 or the error that refuses the open.
int ApplyShareMode(int fd, bool readableDescriptor, TFileAccess access, TFileShare share) {
  const bool reads = access != TFileAccess::faWrite;
  const bool writes = access != TFileAccess::faRead;
  const bool deniesRead = share == TFileShare::fsExclusive;
  const bool deniesWrite = share != TFileShare::fsDenyNone;

  bool locking = true;
  auto hold = [&](bool wanted, std::int64_t offset) {
    if (!wanted || !locking || !readableDescriptor) return true;
    const TLockResult result = HoldByte(fd, offset);
    if (result == TLockResult::Unsupported) locking = false;  // a file system without locks
    return result != TLockResult::Conflict;
  };
  if (!hold(reads, kReadsByte) || !hold(writes, kWritesByte) || !hold(deniesRead, kDeniesReadByte) ||
      !hold(deniesWrite, kDeniesWriteByte))
    return EBUSY;
  if ((reads && HeldElsewhere(fd, kDeniesReadByte)) || (writes && HeldElsewhere(fd, kDeniesWriteByte)) ||
      (deniesRead && HeldElsewhere(fd, kReadsByte)) || (deniesWrite && HeldElsewhere(fd, kWritesByte)))
    return EBUSY;
  return 0;
}

int Whence(TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soCurrent:
      return SEEK_CUR;
    case TSeekOrigin::soEnd:
      return SEEK_END;
    case TSeekOrigin::soBeginning:
      break;
  }
  return SEEK_SET;
}

}  // namespace

TFileHandle::TFileHandle(TFileHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), lastError_(other.lastError_), access_(other.access_) {}

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    lastError_ = other.lastError_;
    access_ = other.access_;
  }
  return *this;
}

TFileHandle TFileHandle::OpenDescriptor(const std::string& path, int flags, std::uint32_t permissions,
                                        TFileAccess access, TFileShare share, bool truncate) {
  TFileHandle handle;
  handle.access_ = access;
  if (path.empty() || path.find('\0') != std::string::npos) {
    // An embedded NUL would silently name a different file.
    handle.lastError_ = path.empty() ? ENOENT : EINVAL;
    return handle;
  }
  // Non-blocking so that a FIFO in place of a file cannot stall the open.
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, static_cast<mode_t>(permissions));
  if (fd < 0 && errno == EACCES && access == TFileAccess::faWrite && (flags & O_ACCMODE) == O_RDWR)
    fd = ::open(path.c_str(), (flags & ~O_ACCMODE) | O_WRONLY | O_CLOEXEC | O_NONBLOCK,
                static_cast<mode_t>(permissions));
  if (fd < 0) {
    handle.lastError_ = errno;
    return handle;
  }
  handle.fd_ = fd;
  auto fail = [&handle](int error) {
    handle.Close();
    handle.lastError_ = error;
    return std::move(handle);
  };

  struct stat info {};
  if (::fstat(fd, &info) != 0) return fail(errno);
  if (!S_ISREG(info.st_mode)) return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return fail(errno);

  if (const int refused = ApplyShareMode(fd, (status & O_ACCMODE) != O_WRONLY, access, share); refused != 0)
    return fail(refused);
  if (truncate) {
    int result;
    do result = ::ftruncate(fd, 0);
    while (result != 0 && errno == EINTR);
    if (result != 0) return fail(errno);
  }
  return handle;
}

TFileHandle TFileHandle::Open(const std::string& path, TFileAccess access, TFileShare share) {
  const int flags = access == TFileAccess::faRead ? O_RDONLY : O_RDWR;  // readable for the share locks
  return OpenDescriptor(path, flags, 0, access, share, false);
}

TFileHandle TFileHandle::Create(const std::string& path, TFileShare share, std::uint32_t permissions) {
  // No O_TRUNC: the file is emptied only after the share check has passed.
  return OpenDescriptor(path, O_RDWR | O_CREAT, permissions, TFileAccess::faReadWrite, share, true);
}

namespace {

// Moves count bytes with `call` (read or write) in chunks the kernel accepts,
// retrying interrupted calls; stops at the end of the file or an error.
template <typename Byte, typename Call>
std::int64_t TransferAll(Byte* bytes, std::int64_t count, int& lastError, Call call) noexcept {
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = call(bytes + done, static_cast<std::size_t>(std::min(count - done, kMaxTransfer)));
    if (n < 0) {
      if (errno == EINTR) continue;
      lastError = errno;
      break;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace

std::int64_t TFileHandle::Read(void* buffer, std::int64_t count) noexcept {
  if (fd_ < 0 || count <= 0 || access_ == TFileAccess::faWrite) return 0;
  return TransferAll(static_cast<std::uint8_t*>(buffer), count, lastError_,
                     [this](std::uint8_t* at, std::size_t n) { return ::read(fd_, at, n); });
}

std::int64_t TFileHandle::Write(const void* buffer, std::int64_t count) noexcept {
  if (fd_ < 0 || count <= 0 || access_ == TFileAccess::faRead) return 0;
  return TransferAll(static_cast<const std::uint8_t*>(buffer), count, lastError_,
                     [this](const std::uint8_t* at, std::size_t n) { return ::write(fd_, at, n); });
}

std::int64_t TFileHandle::Seek(std::int64_t offset, TSeekOrigin origin) noexcept {
  if (fd_ < 0) return -1;
  const off_t reached = ::lseek(fd_, static_cast<off_t>(offset), Whence(origin));
  if (reached < 0) {
    lastError_ = errno;
    return -1;
  }
  return static_cast<std::int64_t>(reached);
}

std::int64_t TFileHandle::Size() const noexcept {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

bool TFileHandle::SetSize(std::int64_t size) noexcept {
  if (fd_ < 0 || size < 0) {
    lastError_ = fd_ < 0 ? EBADF : EINVAL;
    return false;
  }
  int result;
  do result = ::ftruncate(fd_, static_cast<off_t>(size));
  while (result != 0 && errno == EINTR);
  if (result != 0) lastError_ = errno;
  return result == 0;
}

void TFileHandle::Close() noexcept {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));  // the share locks go with the descriptor
}

const std::string& TempDirectory() {
  static const std::string directory = [] {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string path = fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }();
  return directory;
}

std::string CreateUniqueFile(const std::string& directory, std::string_view prefix) {
  std::string path = directory;
  if (path.empty() || path.back() != '/') path += '/';
  path += prefix;
  path += "XXXXXX";
  if (path.find('\0') != std::string::npos) return {};
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) return {};
  ::close(fd);
  return path;
}

bool DeleteFile(const std::string& path) noexcept { return ::unlink(path.c_str()) == 0; }

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace platform
