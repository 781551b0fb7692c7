#pragma once
// TStream: the platform's abstract byte stream (position, size, read, write,
// seek), and TBytesStream, a plain growable in-memory stream over the heap.
// The engine derives its own stream family from TStream.

#include <cstdint>
#include <vector>

namespace platform {

enum class TSeekOrigin : std::uint8_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Size of the stream in bytes. The default seeks to the end and back.
  virtual std::int64_t GetSize();
  // Sets the size; a stream that cannot change size ignores it.
  virtual void SetSize(std::int64_t newSize);
  // Reads up to count bytes into buffer; returns the number read (0 at the end
  // or for count <= 0).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes up to count bytes; returns the number written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position and returns the new one.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  std::int64_t Size() { return GetSize(); }
};

// A stream over a std::vector; positions past the end are allowed and a write
// there fills the gap with zeros. Used by tools and tests, not by the engine's
// storage, which keeps its bytes in engine memory.
class TBytesStream : public TStream {
 public:
  TBytesStream() = default;
  explicit TBytesStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::int64_t GetSize() override { return static_cast<std::int64_t>(bytes_.size()); }
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

}  // namespace platform
