// DecompressBuffer on any bytes with any expected size: it must return false
// or a result no larger than the expected size, never crash or run away.
//
// Input: 0 algorithm (low 2 bits), 1-4 expected size (LE32, signed), then
// the compressed bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/storage/compression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const auto expected = static_cast<std::int32_t>(static_cast<std::uint32_t>(data[1]) | data[2] << 8 | data[3] << 16 |
                                                  static_cast<std::uint32_t>(data[4]) << 24);
  std::int64_t outputSize = expected;
  halvex::THalvexHeapBytes output;
  const bool ok =
      halvex::DecompressBuffer(data[0] & 3, data + 5, static_cast<std::int64_t>(size) - 5, outputSize, output);
  if (ok && (outputSize != static_cast<std::int64_t>(output.size()) || (expected > 0 && outputSize > expected)))
    std::abort();
  return 0;
}
