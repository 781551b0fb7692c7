#include "engine/storage/compressed_blob_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/storage/blob_block_header.h"
#include "engine/storage/compression.h"
#include "engine/storage/crc32.h"
#include "engine/storage/exact_io.h"
#include "engine/storage/exception.h"
#include "engine/storage/wipe.h"
#include "platform/rtl/exception.h"

namespace halvex {

// The native codes of one block write: positioning, header, data. The
// truncation path reports short writes with its own plain message.
struct THalvexCompressedBLOBStream::TBlockWriteCodes {
  std::int32_t seek;
  std::int32_t header;
  std::int32_t data;
  bool plainMessage;
};

namespace {

constexpr std::int64_t kHeaderSize = kBlobBlockHeaderSize;

// Sums that a hostile header could push past the 64-bit range wrap instead
// of overflowing; they only feed messages and comparisons.
std::int64_t WrappingAdd(std::int64_t a, std::int64_t b) noexcept {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// Puts a position variable back when the scope ends, however it ends.
class TRestoreValue {
 public:
  explicit TRestoreValue(std::int64_t& value) : value_(value), saved_(value) {}
  ~TRestoreValue() { value_ = saved_; }
  TRestoreValue(const TRestoreValue&) = delete;
  TRestoreValue& operator=(const TRestoreValue&) = delete;

 private:
  std::int64_t& value_;
  std::int64_t saved_;
};

}  // namespace

std::int32_t DefaultBlobBlockSize(std::uint8_t mode) noexcept {
  if (mode == 0) return 102400;
  if (mode <= 3) return 524288;
  if (mode <= 6) return 1048576;
  return 1572864;
}

THalvexCompressedBLOBStream::THalvexCompressedBLOBStream(platform::TStream& underlying,
                                                         const THalvexBlobDescriptor& descriptor, bool newValue,
                                                         bool skipSizeCheck)
    : underlying_(underlying), descriptor_(descriptor), skipSizeCheck_(skipSizeCheck) {
  // Block arithmetic divides by it: a size of 0 or less never stays.
  if (descriptor_.BlockSize <= 0) descriptor_.BlockSize = DefaultBlobBlockSize(descriptor_.CompressionMode);
  if (IsCompressed())
    OpenCompressed(newValue);
  else
    OpenRaw(newValue);
}

THalvexCompressedBLOBStream::~THalvexCompressedBLOBStream() = default;

void THalvexCompressedBLOBStream::OpenRaw(bool newValue) {
  SeekExact(underlying_, 10079, descriptor_.StartPosition);
  if (newValue) return;
  const std::int64_t size = descriptor_.UncompressedSize;
  const std::int64_t streamSize = underlying_.Size();
  // A negative size is never a value, checks or not.
  if (size < 0 || (!skipSizeCheck_ && streamSize - descriptor_.StartPosition < size))
    RaiseHalvex(10081, THalvexMessage::StreamSizeTooSmall, {streamSize, WrappingAdd(descriptor_.StartPosition, size)});
  size_ = size;
}

void THalvexCompressedBLOBStream::OpenCompressed(bool newValue) {
  SeekExact(underlying_, 10103, descriptor_.StartPosition);
  if (newValue) return;
  SeekExact(underlying_, 10080, descriptor_.StartPosition);
  const std::int64_t streamSize = underlying_.Size();
  // Every header moves the walk on by at least 20 bytes, so a huge
  // BlockCount ends when the bytes do.
  for (std::int64_t i = 0; i < descriptor_.BlockCount; ++i) {
    const std::int64_t position = underlying_.Position();
    if (streamSize - position < kHeaderSize) {
      if (!skipSizeCheck_) RaiseHalvex(10082, THalvexMessage::StreamSizeTooSmall, {streamSize, position + kHeaderSize});
      break;
    }
    std::uint8_t raw[kBlobBlockHeaderSize];
    ReadExact(raw, kHeaderSize, underlying_, 10082);
    const TBlobBlockHeader header = LoadBlobBlockHeader(raw);
    if (header.CompressedSize < 0 || header.NextOffset != kHeaderSize + header.CompressedSize)
      RaiseHalvex(10083, THalvexMessage::CannotSetStreamPosition,
                  {WrappingAdd(position, header.NextOffset), position + kHeaderSize, streamSize});
    if (header.UncompressedSize < 1 || header.UncompressedSize > descriptor_.BlockSize)
      RaiseHalvex(10088, THalvexMessage::DecompressSizeMismatch, {descriptor_.BlockSize, header.UncompressedSize});
    headers_.Add(header, position);
    size_ += header.UncompressedSize;
    compressedSize_ += header.NextOffset;
    SeekExact(underlying_, 10083, position + header.NextOffset);
  }
}

THalvexBlobDescriptor THalvexCompressedBLOBStream::Descriptor() const noexcept {
  THalvexBlobDescriptor result = descriptor_;
  result.BlockCount = IsCompressed() ? headers_.Count() : 0;
  result.UncompressedSize = size_;
  return result;
}

double THalvexCompressedBLOBStream::CompressionRatio() const noexcept {
  if (!IsCompressed() || size_ == 0) return 0;
  return (1.0 - static_cast<double>(compressedSize_) / static_cast<double>(size_)) * 100.0;
}

std::int64_t THalvexCompressedBLOBStream::ExpectedBlockSize(std::int64_t block) const noexcept {
  const std::int64_t blockSize = descriptor_.BlockSize;
  return block < headers_.Count() - 1 ? blockSize : size_ - block * blockSize;
}

std::int64_t THalvexCompressedBLOBStream::EndOfStoredForm() const noexcept {
  const std::int64_t count = headers_.Count();
  if (count == 0) return descriptor_.StartPosition;
  return headers_.Position(count - 1) + headers_.Header(count - 1).NextOffset;
}

void THalvexCompressedBLOBStream::DecompressBlock(std::int64_t block, THalvexHeapBytes& out) {
  const TBlobBlockHeader header = headers_.Header(block);
  const std::int64_t expected = ExpectedBlockSize(block);
  if (header.UncompressedSize != expected)
    RaiseHalvex(10088, THalvexMessage::DecompressSizeMismatch, {expected, header.UncompressedSize});
  const std::int64_t dataPosition = headers_.Position(block) + kHeaderSize;
  const std::int64_t streamSize = underlying_.Size();
  const std::int64_t available = std::max<std::int64_t>(0, streamSize - dataPosition);
  // Checked before the input buffer is allocated: a header cannot make us
  // reserve more than the stream holds.
  if (header.CompressedSize > available)
    RaiseHalvex(10086, THalvexMessage::CannotReadFromStream,
                {dataPosition, streamSize, header.CompressedSize, available});

  std::int64_t produced = header.UncompressedSize;
  bool decompressed = false;
  if (header.CompressedSize > 0) {
    THalvexStreamBuffer input(header.CompressedSize);
    SeekExact(underlying_, 10086, dataPosition);
    ReadExact(input.Bytes(), header.CompressedSize, underlying_, 10086);
    decompressed =
        DecompressBuffer(descriptor_.CompressionAlgorithm, input.Bytes(), header.CompressedSize, produced, out);
  }
  if (!decompressed)
    RaiseHalvex(10087, THalvexMessage::DecompressBufferFailed,
                {descriptor_.CompressionAlgorithm, header.CompressedSize, header.UncompressedSize});
  if (produced != header.UncompressedSize) {
    THalvexHeapBytes().swap(out);
    RaiseHalvex(10088, THalvexMessage::DecompressSizeMismatch, {produced, header.UncompressedSize});
  }
  const std::uint32_t crc = Crc32(out.data(), out.size());
  if (crc != header.Crc32) {
    THalvexHeapBytes().swap(out);
    RaiseHalvex(10089, THalvexMessage::DecompressChecksumMismatch, {crc, header.Crc32});
  }
}

TBlobBlockHeader THalvexCompressedBLOBStream::WriteBlock(std::int64_t headerPosition, const std::uint8_t* data,
                                                         std::int32_t size, const TBlockWriteCodes& codes) {
  TBlobBlockHeader header;
  header.Crc32 = Crc32(data, static_cast<std::size_t>(size));
  THalvexHeapBytes compressed;
  const bool ok = CompressBuffer(descriptor_.CompressionAlgorithm, descriptor_.CompressionMode, data, size, compressed);
  const auto compressedSize = static_cast<std::int64_t>(compressed.size());
  if (!ok || compressedSize > std::numeric_limits<std::int32_t>::max() - kHeaderSize)
    RaiseHalvex(10085, THalvexMessage::CompressBufferFailed,
                {descriptor_.CompressionAlgorithm, descriptor_.CompressionMode, size, compressedSize});
  header.CompressedSize = static_cast<std::int32_t>(compressedSize);
  header.UncompressedSize = size;
  header.NextOffset = kHeaderSize + compressedSize;

  std::uint8_t raw[kBlobBlockHeaderSize];
  StoreBlobBlockHeader(raw, header);
  SeekExact(underlying_, codes.seek, headerPosition);
  if (codes.plainMessage) {
    if (underlying_.Write(raw, kHeaderSize) != kHeaderSize)
      RaiseHalvex(codes.header, THalvexMessage::ErrorWritingToStream);
    if (underlying_.Write(compressed.data(), compressedSize) != compressedSize)
      RaiseHalvex(codes.data, THalvexMessage::ErrorWritingToStream);
  } else {
    WriteExact(raw, kHeaderSize, underlying_, codes.header);
    WriteExact(compressed.data(), compressedSize, underlying_, codes.data);
  }
  return header;
}

void THalvexCompressedBLOBStream::Append(const std::uint8_t* data, std::int64_t count) {
  static constexpr TBlockWriteCodes kRewrite{10099, 10100, 10101, false};
  static constexpr TBlockWriteCodes kAppend{10102, 10100, 10101, false};
  const std::int64_t blockSize = descriptor_.BlockSize;
  std::int64_t done = 0;
  if (count > 0 && headers_.Count() > 0) {
    const std::int64_t last = headers_.Count() - 1;
    const std::int64_t lastSize = ExpectedBlockSize(last);
    if (lastSize < blockSize) {
      // The partial last block is filled up and rewritten in place.
      const std::int64_t fill = std::min(blockSize - lastSize, count);
      THalvexHeapBytes old;
      DecompressBlock(last, old);
      THalvexStreamBuffer joined(static_cast<std::int32_t>(lastSize + fill));
      std::memcpy(joined.Bytes(), old.data(), static_cast<std::size_t>(lastSize));
      std::memcpy(joined.Bytes() + lastSize, data, static_cast<std::size_t>(fill));
      const TBlobBlockHeader header = WriteBlock(headers_.Position(last), joined.Bytes(), joined.Size(), kRewrite);
      compressedSize_ += header.NextOffset - headers_.Header(last).NextOffset;
      headers_.Header(last) = header;
      size_ += fill;
      done = fill;
    }
  }
  while (done < count) {
    const auto chunk = static_cast<std::int32_t>(std::min(blockSize, count - done));
    const std::int64_t headerPosition = EndOfStoredForm();
    const TBlobBlockHeader header = WriteBlock(headerPosition, data + done, chunk, kAppend);
    headers_.Add(header, headerPosition);
    compressedSize_ += header.NextOffset;
    size_ += chunk;
    done += chunk;
  }
}

std::int64_t THalvexCompressedBLOBStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int64_t total = std::min(count, size_ - position_);
  if (!IsCompressed()) {
    const std::int64_t target = descriptor_.StartPosition + position_;
    if (underlying_.Seek(target, platform::TSeekOrigin::soBeginning) != target) return 0;
    const std::int64_t read = underlying_.Read(buffer, total);
    if (read > 0) position_ += read;
    return std::max<std::int64_t>(read, 0);
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::int64_t blockSize = descriptor_.BlockSize;
  std::int64_t done = 0;
  while (done < total) {
    const std::int64_t block = position_ / blockSize;
    const std::int64_t offset = position_ % blockSize;
    const std::int64_t chunk = std::min(ExpectedBlockSize(block) - offset, total - done);
    if (chunk <= 0) RaiseHalvex(10090, THalvexMessage::CannotReadReadSize, {chunk});
    THalvexHeapBytes bytes;
    DecompressBlock(block, bytes);
    std::memcpy(out + done, bytes.data() + offset, static_cast<std::size_t>(chunk));
    position_ += chunk;
    done += chunk;
    currentBlock_ = position_ / blockSize;
  }
  return done;
}

std::int64_t THalvexCompressedBLOBStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (!IsCompressed()) {
    const std::int64_t target = descriptor_.StartPosition + position_;
    if (underlying_.Seek(target, platform::TSeekOrigin::soBeginning) != target) return 0;
    const std::int64_t written = std::max<std::int64_t>(underlying_.Write(buffer, count), 0);
    position_ += written;
    size_ = std::max(size_, position_);
    return written;
  }
  if (position_ < size_) return 0;
  if (position_ > size_) {
    const std::int64_t target = position_;
    SetSize(target);
    Seek(target, platform::TSeekOrigin::soBeginning);
    if (position_ != target) RaiseHalvex(10091, THalvexMessage::CannotSetStreamPosition, {target, position_, size_});
    if (size_ != position_) RaiseHalvex(10092, THalvexMessage::InvalidStreamSize, {size_, position_});
  }
  Append(static_cast<const std::uint8_t*>(buffer), count);
  position_ = size_;
  currentBlock_ = position_ / descriptor_.BlockSize;
  return count;
}

void THalvexCompressedBLOBStream::GrowWithZeros(std::int64_t newSize) {
  const auto chunkSize = static_cast<std::int32_t>(std::min<std::int64_t>(descriptor_.BlockSize, newSize - size_));
  THalvexStreamBuffer zeros(chunkSize, true);
  TRestoreValue keepPosition(position_);
  while (size_ < newSize) {
    const std::int64_t chunk = std::min<std::int64_t>(chunkSize, newSize - size_);
    const std::int64_t at = size_;
    position_ = at;
    const std::int64_t written = Write(zeros.Bytes(), chunk);
    if (written != chunk) RaiseHalvex(10097, THalvexMessage::CannotWriteToStream, {at, size_, chunk, written});
  }
}

void THalvexCompressedBLOBStream::Truncate(std::int64_t newSize) {
  static constexpr TBlockWriteCodes kTruncate{10094, 10095, 10096, true};
  const std::int64_t blockSize = descriptor_.BlockSize;
  // newSize < Size, so the block newSize falls in exists.
  const std::int64_t kept = newSize / blockSize;
  const std::int64_t rest = newSize % blockSize;
  THalvexHeapBytes tail;
  if (rest > 0) DecompressBlock(kept, tail);
  const std::int64_t cut = headers_.Position(kept);
  underlying_.SetSize(cut);
  if (underlying_.Size() != cut) RaiseHalvex(10093, THalvexMessage::InvalidStreamSize, {underlying_.Size(), cut});
  for (std::int64_t i = kept; i < headers_.Count(); ++i) compressedSize_ -= headers_.Header(i).NextOffset;
  headers_.SetCount(kept);
  size_ = kept * blockSize;
  if (rest > 0) {
    const TBlobBlockHeader header = WriteBlock(cut, tail.data(), static_cast<std::int32_t>(rest), kTruncate);
    headers_.Add(header, cut);
    compressedSize_ += header.NextOffset;
    size_ += rest;
  }
}

void THalvexCompressedBLOBStream::SetSize(std::int64_t newSize) {
  if (newSize < 0) throw platform::ERangeError("Range check error");
  if (!IsCompressed()) {
    std::int64_t end = 0;
    if (__builtin_add_overflow(descriptor_.StartPosition, newSize, &end))
      throw platform::ERangeError("Range check error");
    underlying_.SetSize(end);
    size_ = newSize;
  } else if (newSize > size_) {
    GrowWithZeros(newSize);
  } else if (newSize < size_) {
    Truncate(newSize);
  }
  position_ = std::min(position_, size_);
  currentBlock_ = position_ / descriptor_.BlockSize;
}

std::int64_t THalvexCompressedBLOBStream::Seek(std::int64_t offset, platform::TSeekOrigin origin) {
  std::int64_t target = 0;
  std::int64_t inUnderlying = 0;
  if (!SeekTarget(position_, size_, offset, origin, target) ||
      __builtin_add_overflow(descriptor_.StartPosition, target, &inUnderlying))
    return position_;
  position_ = target;
  if (IsCompressed())
    currentBlock_ = position_ / descriptor_.BlockSize;
  else
    underlying_.Seek(inUnderlying, platform::TSeekOrigin::soBeginning);
  return position_;
}

}  // namespace halvex
