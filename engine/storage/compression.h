#pragma once
// The compression selector: the one place that maps an algorithm number and
// a mode to a compressor.
//
//   value  name    mode means
//   0      "NONE"  nothing; data is stored raw
//   1      "ZLIB"  the deflate level, 0 to 9
//   2      "BZIP"  the bzip2 block size in units of 100 kB, 1 to 9
//   3      "PPM"   an index 1 to 9 into the PPM parameter table below
//
// PPM parameters by mode 1..9: order 2, 3, 4, 5, 7, 8, 10, 13, 16 and model
// memory in MiB 2, 3, 7, 16, 30, 30, 45, 100, 100.
//
// PPM output, little-endian:
//   offset  width  field
//   0       4      information word: (memory MiB - 1) << 4 | (order - 1) | 6000 hex
//                  (bits 0-3 order - 1, bits 4-11 memory - 1, bits 12 and up 6)
//   4       ...    the codec's bytes
//
// Failures inside zlib, libbz2 or the PPM codec never escape: they make the
// result false. Thread-safe; the buffers come from the platform heap.

#include <cstdint>
#include <string_view>

#include "engine/storage/ppm_codec.h"
#include "engine/storage/wipe.h"

namespace halvex {

enum THalvexCompressionAlgorithm : std::uint8_t { caNone = 0, caZlib = 1, caBzip = 2, caPpm = 3 };

// The largest buffer the selector produces: what one engine block can hold.
constexpr std::int64_t kMaxCompressionBuffer = 0x7FFFFFFF;

// Compresses inputSize bytes into output (resized to the produced size).
// False for algorithm 0 or above 3, inputSize <= 0, a mode the algorithm
// does not accept, or any compressor failure. Zlib and bzip2 start from an
// output buffer of ((n + n / 10) + 267) rounded down to a multiple of 256
// bytes and grow it by 256 bytes whenever it is full; PPM writes into
// n + n / 20 + 50 bytes.
bool CompressBuffer(std::uint8_t algorithm, std::uint8_t mode, const void* input, std::int64_t inputSize,
                    THalvexHeapBytes& output);

// Decompresses inputSize bytes into output. outputSize is the expected size
// on entry (0 or less when unknown) and the produced size on return; true
// when it is above 0.
//   Zlib, bzip2: an expected size is an upper bound as well: data that would
//   decompress to more fails. Memory is committed as output is produced, so
//   a wrong expected size costs no more than the data itself. Without one,
//   the output grows until the stream ends or kMaxCompressionBuffer is passed
//   (failure).
//   PPM: needs the expected size and allocates exactly it, so the size must
//   pass PpmOutputSizeAllowed; fails when the information word's bits 12 and
//   up are not 6.
bool DecompressBuffer(std::uint8_t algorithm, const void* input, std::int64_t inputSize, std::int64_t& outputSize,
                      THalvexHeapBytes& output);

// "NONE", "ZLIB", "BZIP", "PPM"; ERangeError above 3.
std::string_view CompressionAlgorithmName(std::uint8_t algorithm);
// The value of a name compared without regard to ASCII case; 0 when unknown.
std::uint8_t CompressionAlgorithmFromName(std::string_view name) noexcept;

// Whether PPM data of inputSize bytes (information word included) may be
// decoded into expectedSize bytes: 1 to 1 MiB always, more only up to 65536
// times the input, never above kMaxCompressionBuffer. Larger claims come from
// damaged or hostile headers; no PPM stream expands that far.
bool PpmOutputSizeAllowed(std::int64_t inputSize, std::int64_t expectedSize) noexcept;

// The PPM parameters of a mode; false outside 1..9.
bool PpmParamsForMode(std::uint8_t mode, TPpmParams& params) noexcept;
std::uint32_t PpmInformationWord(const TPpmParams& params) noexcept;
// False when bits 12 and up are not 6.
bool PpmParamsFromInformationWord(std::uint32_t word, TPpmParams& params) noexcept;

}  // namespace halvex
