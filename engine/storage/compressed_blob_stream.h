#pragma once
// THalvexCompressedBLOBStream: a stored BLOB value seen as a stream of its
// uncompressed bytes, on top of an underlying stream that holds the stored
// form from StartPosition on.
//
// Stored form, algorithm 0: the UncompressedSize bytes themselves.
// Stored form, algorithms 1 to 3: BlockCount blocks, one after the other.
// Every block holds BlockSize uncompressed bytes except the last, which holds
// the rest (1 to BlockSize bytes). A block is a 20-byte header (see
// blob_block_header.h) followed by its compressed bytes:
//
//   offset  width  field
//   0       4      CompressedSize, signed 32-bit: bytes after the header
//   4       4      UncompressedSize, signed 32-bit: bytes it decompresses to
//   8       4      Crc32 of the uncompressed bytes (crc32.h)
//   12      8      NextOffset, signed 64-bit: 20 + CompressedSize
//   20      ...    CompressedSize bytes from CompressBuffer (compression.h)
//
// Blocks are compressed independently: reading decompresses only the blocks
// that hold the bytes asked for (none is kept between calls), and appending
// recompresses at most the last, partial block. Compressed data is
// append-only: a write inside the existing data writes nothing.
//
// Nothing read from the underlying stream is trusted. On opening, a header
// whose CompressedSize is negative or whose NextOffset is not 20 +
// CompressedSize stops the walk (10083), and one whose UncompressedSize is
// not 1 to BlockSize is refused (10088). Before a block is decompressed, its
// UncompressedSize must be the size its place in the value gives it (10088),
// its compressed bytes must be present in the underlying stream (10086), and
// decompression may not yield more than the header says (10087); no buffer is
// allocated before these checks pass.
//
// Errors (EHalvexException), by code:
//   10079, 10103  opening: cannot reach StartPosition (raw, compressed data)
//   10080         opening: cannot reach StartPosition before the header walk
//   10081         opening raw data: fewer than UncompressedSize bytes (size check)
//   10082         opening: the walk ran out of bytes before BlockCount headers
//                 (size check)
//   10083         opening: cannot follow NextOffset to the next header
//   10085         a block could not be compressed
//   10086         a block's compressed bytes cannot be read
//   10087         the decompressor failed
//   10088         a block's uncompressed size is not what it should be
//   10089         a block's CRC differs from its header
//   10090         Read computed an empty chunk
//   10091, 10092  writing past the end: position or size wrong after extending
//   10093         shrinking: the underlying size is not the one set
//   10094, 10095, 10096  shrinking: new last block cannot be placed or written
//   10097         growing: a chunk of zeros was written short
//   10099, 10100, 10101  rewriting the last block: position, header, data
//   10102, 10100, 10101  appending a block: position, header, data
//
// Owns its block headers; the underlying stream is not owned and must outlive
// this stream. Takes no locks of its own: one cursor uses it at a time.

#include <cstdint>

#include "engine/access/block_headers_array.h"
#include "engine/storage/stream.h"
#include "engine/storage/wipe.h"

namespace halvex {

// Where and how a stored value lies; kept by its owner and handed to the
// stream when it is opened.
struct THalvexBlobDescriptor {
  std::int32_t BlockSize = 0;
  std::int64_t BlockCount = 0;
  std::int64_t UncompressedSize = 0;
  std::int64_t StartPosition = 0;
  std::uint8_t CompressionAlgorithm = 0;
  std::uint8_t CompressionMode = 0;
};

// The block size a new stream takes when it is opened with BlockSize 0:
// 102400 for mode 0, 524288 for 1 to 3, 1048576 for 4 to 6, 1572864 above.
std::int32_t DefaultBlobBlockSize(std::uint8_t mode) noexcept;

class THalvexCompressedBLOBStream : public THalvexStream {
 public:
  // Opens the value the descriptor locates; newValue starts an empty one.
  // skipSizeCheck turns the checks 10081 and 10082 off (a short stored form
  // then opens with what it holds). A BlockSize of 0 or less is replaced by
  // DefaultBlobBlockSize(mode).
  THalvexCompressedBLOBStream(platform::TStream& underlying, const THalvexBlobDescriptor& descriptor, bool newValue,
                              bool skipSizeCheck = false);
  ~THalvexCompressedBLOBStream() override;

  using THalvexStream::Seek;
  using THalvexStream::SetSize;
  std::int64_t GetSize() override { return size_; }
  // Raises ERangeError for a negative size.
  void SetSize(std::int64_t newSize) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // A negative target is refused and the position returned unchanged.
  std::int64_t Seek(std::int64_t offset, platform::TSeekOrigin origin) override;

  bool IsCompressed() const noexcept { return descriptor_.CompressionAlgorithm != 0; }
  // The descriptor with BlockCount and UncompressedSize as they are now: what
  // the owner stores with the value after writing.
  THalvexBlobDescriptor Descriptor() const noexcept;
  std::int64_t BlockCount() const noexcept { return headers_.Count(); }
  // Bytes of the stored form: headers and compressed bytes, or the raw bytes.
  std::int64_t CompressedSize() const noexcept { return IsCompressed() ? compressedSize_ : size_; }
  // (1 - compressed / uncompressed) * 100; 0 for raw or empty data.
  double CompressionRatio() const noexcept;
  std::int64_t CurrentBlock() const noexcept { return currentBlock_; }
  const THalvexCompressedStreamBlockHeadersArray& BlockHeaders() const noexcept { return headers_; }

 private:
  struct TBlockWriteCodes;

  void OpenRaw(bool newValue);
  void OpenCompressed(bool newValue);
  // The uncompressed bytes of block `block`, whole and checked.
  void DecompressBlock(std::int64_t block, THalvexHeapBytes& out);
  // Compresses size bytes as a block whose header goes to headerPosition.
  TBlobBlockHeader WriteBlock(std::int64_t headerPosition, const std::uint8_t* data, std::int32_t size,
                              const TBlockWriteCodes& codes);
  void Append(const std::uint8_t* data, std::int64_t count);
  void GrowWithZeros(std::int64_t newSize);
  void Truncate(std::int64_t newSize);
  std::int64_t ExpectedBlockSize(std::int64_t block) const noexcept;
  std::int64_t EndOfStoredForm() const noexcept;

  platform::TStream& underlying_;  // not owned
  THalvexBlobDescriptor descriptor_;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
  std::int64_t compressedSize_ = 0;  // sum of 20 + CompressedSize over the blocks
  std::int64_t currentBlock_ = 0;
  bool skipSizeCheck_;
  THalvexCompressedStreamBlockHeadersArray headers_;
};

}  // namespace halvex
