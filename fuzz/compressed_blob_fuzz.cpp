// Opens, reads and changes a compressed BLOB value whose stored form and
// descriptor come from the fuzzer. Bad input may only end in
// EHalvexException; anything else escaping is a bug.
//
// Input: 0 algorithm (low 2 bits), 1 mode, 2-3 block size - 1 (LE16),
// 4 BlockCount, 5 flags (bit 0 skip size checks, bit 1 also write and
// resize), then the underlying stream.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/storage/compressed_blob_stream.h"
#include "engine/storage/exception.h"
#include "platform/rtl/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  halvex::THalvexBlobDescriptor descriptor;
  descriptor.CompressionAlgorithm = data[0] & 3;
  descriptor.CompressionMode = data[1];
  descriptor.BlockSize = (data[2] | data[3] << 8) + 1;
  descriptor.BlockCount = data[4];
  descriptor.UncompressedSize = static_cast<std::int64_t>(size) - 6 + (data[5] >> 2) - 16;
  const bool skipSizeCheck = (data[5] & 1) != 0;
  const bool change = (data[5] & 2) != 0;
  platform::TBytesStream underlying(std::vector<std::uint8_t>(data + 6, data + size));
  try {
    halvex::THalvexCompressedBLOBStream stream(underlying, descriptor, false, skipSizeCheck);
    std::vector<std::uint8_t> buffer(4096);
    while (stream.Read(buffer.data(), static_cast<std::int64_t>(buffer.size())) > 0) {
    }
    if (change) {
      stream.Write(data, static_cast<std::int64_t>(size));
      stream.SetSize(stream.Size() / 2);
      stream.Seek(std::int64_t{0}, platform::TSeekOrigin::soBeginning);
      while (stream.Read(buffer.data(), static_cast<std::int64_t>(buffer.size())) > 0) {
      }
    }
  } catch (const halvex::EHalvexException&) {
  }
  return 0;
}
