#pragma once
// Test doubles for stream tests: a byte stream that gives out after a budget,
// a stream that reports its destruction, a scratch directory, and helpers to
// make and compare byte patterns.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/rtl/file.h"
#include "platform/rtl/random.h"
#include "platform/rtl/stream.h"

namespace halvex::testing {

// A TBytesStream whose reads and writes stop after a number of bytes; -1
// means no limit.
class TBudgetStream : public platform::TBytesStream {
 public:
  using platform::TBytesStream::TBytesStream;

  std::int64_t readBudget = -1;
  std::int64_t writeBudget = -1;

  std::int64_t Read(void* buffer, std::int64_t count) override {
    return platform::TBytesStream::Read(buffer, Take(readBudget, count));
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    return platform::TBytesStream::Write(buffer, Take(writeBudget, count));
  }

 private:
  static std::int64_t Take(std::int64_t& budget, std::int64_t count) {
    if (budget < 0) return count;
    const std::int64_t granted = count < budget ? count : budget;
    budget -= granted;
    return granted;
  }
};

// Sets a flag when it is destroyed.
class TWatchedStream : public platform::TBytesStream {
 public:
  explicit TWatchedStream(bool& destroyed) : destroyed_(destroyed) {}
  ~TWatchedStream() override { destroyed_ = true; }

 private:
  bool& destroyed_;
};

// A fresh directory under the temporary directory, removed with its contents.
class TScratchDirectory {
 public:
  TScratchDirectory() {
    std::string pattern = platform::TempDirectory() + "/halvex-test-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TScratchDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TScratchDirectory(const TScratchDirectory&) = delete;
  TScratchDirectory& operator=(const TScratchDirectory&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Bytes from a seeded generator, mildly compressible (small alphabet) unless
// noisy.
inline std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed, bool noisy = false) {
  platform::TRandomGenerator random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(noisy ? random.Next(256) : 'a' + random.Next(6));
  return bytes;
}

inline std::vector<std::uint8_t> ReadAll(platform::TStream& stream) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.Size()));
  stream.SetPosition(0);
  const std::int64_t read = bytes.empty() ? 0 : stream.Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(read < 0 ? 0 : read));
  return bytes;
}

}  // namespace halvex::testing
