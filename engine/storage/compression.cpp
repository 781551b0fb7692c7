#include "engine/storage/compression.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/rtl/exception.h"

namespace halvex {
namespace {

// One call into zlib or libbz2 takes at most this much in either direction.
constexpr std::int64_t kCallChunk = std::int64_t{1} << 30;

// The PPM decoder writes into a buffer of the expected size made before it
// runs, so that size must be plausible. Variant G codes a symbol in no less
// than about 0.003 bits (its binary contexts stop short of certainty), so no
// stream expands much beyond 3000:1; the bound leaves a wide margin.
constexpr std::int64_t kPpmMaxExpansion = 65536;
constexpr std::int64_t kPpmSmallOutput = std::int64_t{1} << 20;

constexpr TPpmParams kPpmParams[9] = {{2, 2},  {3, 3},   {4, 7},    {5, 16},  {7, 30},
                                      {8, 30}, {10, 45}, {13, 100}, {16, 100}};

std::int64_t InitialCompressCapacity(std::int64_t n) { return ((n + n / 10) + 267) & ~std::int64_t{255}; }

std::int64_t RoundUp256(std::int64_t n) { return (n + 255) & ~std::int64_t{255}; }

// The adapters below give zlib and libbz2 one shape: Step(in, inSize, out,
// outSize, finish) runs the codec once and reports what it took and gave.
enum class TStepResult : std::uint8_t { Progress, Finished, Failed };

class TDeflate {
 public:
  bool Init(int level) { return level <= 9 && deflateInit(&z_, level) == Z_OK && (live_ = true); }
  ~TDeflate() {
    if (live_) deflateEnd(&z_);
  }
  TStepResult Step(const std::uint8_t* in, std::int64_t& inSize, std::uint8_t* out, std::int64_t& outSize,
                   bool finish) {
    z_.next_in = const_cast<Bytef*>(in);
    z_.avail_in = static_cast<uInt>(inSize);
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(outSize);
    const int r = deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH);
    inSize -= z_.avail_in;
    outSize -= z_.avail_out;
    if (r == Z_STREAM_END) return TStepResult::Finished;
    return r == Z_OK || r == Z_BUF_ERROR ? TStepResult::Progress : TStepResult::Failed;
  }

 private:
  z_stream z_{};
  bool live_ = false;
};

class TInflate {
 public:
  bool Init() { return inflateInit(&z_) == Z_OK && (live_ = true); }
  ~TInflate() {
    if (live_) inflateEnd(&z_);
  }
  TStepResult Step(const std::uint8_t* in, std::int64_t& inSize, std::uint8_t* out, std::int64_t& outSize, bool) {
    z_.next_in = const_cast<Bytef*>(in);
    z_.avail_in = static_cast<uInt>(inSize);
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(outSize);
    const int r = inflate(&z_, Z_NO_FLUSH);
    inSize -= z_.avail_in;
    outSize -= z_.avail_out;
    if (r == Z_STREAM_END) return TStepResult::Finished;
    return r == Z_OK || r == Z_BUF_ERROR ? TStepResult::Progress : TStepResult::Failed;
  }

 private:
  z_stream z_{};
  bool live_ = false;
};

class TBzCompress {
 public:
  bool Init(int blockSize100k) {
    return blockSize100k >= 1 && blockSize100k <= 9 && BZ2_bzCompressInit(&s_, blockSize100k, 0, 0) == BZ_OK &&
           (live_ = true);
  }
  ~TBzCompress() {
    if (live_) BZ2_bzCompressEnd(&s_);
  }
  TStepResult Step(const std::uint8_t* in, std::int64_t& inSize, std::uint8_t* out, std::int64_t& outSize,
                   bool finish) {
    s_.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in));
    s_.avail_in = static_cast<unsigned>(inSize);
    s_.next_out = reinterpret_cast<char*>(out);
    s_.avail_out = static_cast<unsigned>(outSize);
    const int r = BZ2_bzCompress(&s_, finish ? BZ_FINISH : BZ_RUN);
    inSize -= s_.avail_in;
    outSize -= s_.avail_out;
    if (r == BZ_STREAM_END) return TStepResult::Finished;
    return r == BZ_RUN_OK || r == BZ_FINISH_OK ? TStepResult::Progress : TStepResult::Failed;
  }

 private:
  bz_stream s_{};
  bool live_ = false;
};

class TBzDecompress {
 public:
  bool Init() { return BZ2_bzDecompressInit(&s_, 0, 0) == BZ_OK && (live_ = true); }
  ~TBzDecompress() {
    if (live_) BZ2_bzDecompressEnd(&s_);
  }
  TStepResult Step(const std::uint8_t* in, std::int64_t& inSize, std::uint8_t* out, std::int64_t& outSize, bool) {
    s_.next_in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in));
    s_.avail_in = static_cast<unsigned>(inSize);
    s_.next_out = reinterpret_cast<char*>(out);
    s_.avail_out = static_cast<unsigned>(outSize);
    const int r = BZ2_bzDecompress(&s_);
    inSize -= s_.avail_in;
    outSize -= s_.avail_out;
    if (r == BZ_STREAM_END) return TStepResult::Finished;
    return r == BZ_OK ? TStepResult::Progress : TStepResult::Failed;
  }

 private:
  bz_stream s_{};
  bool live_ = false;
};

// Compresses with a buffer that starts at the selector's size and grows by
// 256 bytes whenever it is full; the input is finished with a final flush.
template <typename Codec>
bool CompressStream(Codec& codec, const std::uint8_t* in, std::int64_t n, THalvexHeapBytes& output) {
  output.resize(static_cast<std::size_t>(std::max<std::int64_t>(InitialCompressCapacity(n), 256)));
  std::int64_t consumed = 0, produced = 0;
  for (;;) {
    if (produced == static_cast<std::int64_t>(output.size())) {
      if (produced + 256 > kMaxCompressionBuffer) return false;
      output.resize(output.size() + 256);
    }
    std::int64_t inChunk = std::min(n - consumed, kCallChunk);
    std::int64_t outChunk = std::min(static_cast<std::int64_t>(output.size()) - produced, kCallChunk);
    const bool finish = consumed + inChunk == n;
    const TStepResult result = codec.Step(in + consumed, inChunk, output.data() + produced, outChunk, finish);
    consumed += inChunk;
    produced += outChunk;
    if (result == TStepResult::Finished) break;
    // With room for output and the flush requested, no progress means a broken codec.
    if (result == TStepResult::Failed || (inChunk == 0 && outChunk == 0 && finish)) return false;
  }
  output.resize(static_cast<std::size_t>(produced));
  return produced > 0;
}

// Decompresses, committing memory only as output appears. With an expected
// size the output never goes beyond it.
template <typename Codec>
bool DecompressStream(Codec& codec, const std::uint8_t* in, std::int64_t n, std::int64_t expected,
                      THalvexHeapBytes& output) {
  const std::int64_t limit = expected > 0 ? expected : kMaxCompressionBuffer;
  const std::int64_t first = expected > 0 ? expected : RoundUp256(n);
  // Enough for any honest ratio to need few steps, little for a false claim.
  output.resize(static_cast<std::size_t>(std::min({first, limit, std::max<std::int64_t>(RoundUp256(n) * 4, 65536)})));
  std::int64_t consumed = 0, produced = 0;
  for (;;) {
    if (produced == static_cast<std::int64_t>(output.size()) && produced < limit)
      output.resize(static_cast<std::size_t>(std::min(limit, produced * 2)));
    std::int64_t inChunk = std::min(n - consumed, kCallChunk);
    std::int64_t outChunk = std::min(static_cast<std::int64_t>(output.size()) - produced, kCallChunk);
    const std::int64_t roomBefore = outChunk;
    const TStepResult result = codec.Step(in + consumed, inChunk, output.data() + produced, outChunk, false);
    consumed += inChunk;
    produced += outChunk;
    if (result == TStepResult::Finished) break;
    if (result == TStepResult::Failed) return false;
    if (inChunk == 0 && outChunk == 0) {
      // Stuck: the input ended before the stream did, or the stream wants to
      // give more than the limit allows.
      if (consumed == n || roomBefore == 0) return false;
    }
  }
  output.resize(static_cast<std::size_t>(produced));
  return produced > 0;
}

void StoreU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool PpmCompress(std::uint8_t mode, const std::uint8_t* in, std::int64_t n, THalvexHeapBytes& output) {
  TPpmParams params{};
  if (!PpmParamsForMode(mode, params)) return false;
  const std::int64_t capacity = n + n / 20 + 50;
  if (capacity > kMaxCompressionBuffer) return false;
  output.resize(static_cast<std::size_t>(capacity));
  StoreU32(output.data(), PpmInformationWord(params));
  std::size_t encoded = 0;
  const auto room = static_cast<std::size_t>(capacity - 4);
  if (!PpmEncode(in, static_cast<std::size_t>(n), output.data() + 4, room, encoded, params) || encoded > room)
    return false;
  output.resize(4 + encoded);
  return true;
}

bool PpmDecompress(const std::uint8_t* in, std::int64_t n, std::int64_t expected, THalvexHeapBytes& output) {
  if (n < 4 || !PpmOutputSizeAllowed(n, expected)) return false;
  TPpmParams params{};
  if (!PpmParamsFromInformationWord(LoadU32(in), params)) return false;
  output.resize(static_cast<std::size_t>(expected));
  return PpmDecode(in + 4, static_cast<std::size_t>(n - 4), output.data(), static_cast<std::size_t>(expected), params);
}

}  // namespace

bool CompressBuffer(std::uint8_t algorithm, std::uint8_t mode, const void* input, std::int64_t inputSize,
                    THalvexHeapBytes& output) {
  output.clear();
  if (algorithm == caNone || algorithm > caPpm || inputSize <= 0 || input == nullptr) return false;
  const auto* in = static_cast<const std::uint8_t*>(input);
  bool ok = false;
  try {
    if (algorithm == caZlib) {
      TDeflate codec;
      ok = codec.Init(mode) && CompressStream(codec, in, inputSize, output);
    } else if (algorithm == caBzip) {
      TBzCompress codec;
      ok = codec.Init(mode) && CompressStream(codec, in, inputSize, output);
    } else {
      ok = PpmCompress(mode, in, inputSize, output);
    }
  } catch (...) {
    // Any failure of a compressor, an allocation included, is reported
    // through the false result; callers raise their own error for it.
    ok = false;
  }
  if (!ok || output.empty()) {
    output.clear();
    return false;
  }
  return true;
}

bool DecompressBuffer(std::uint8_t algorithm, const void* input, std::int64_t inputSize, std::int64_t& outputSize,
                      THalvexHeapBytes& output) {
  const std::int64_t expected = outputSize;
  outputSize = 0;
  output.clear();
  if (algorithm == caNone || algorithm > caPpm || inputSize <= 0 || input == nullptr ||
      expected > kMaxCompressionBuffer)
    return false;
  const auto* in = static_cast<const std::uint8_t*>(input);
  bool ok = false;
  try {
    if (algorithm == caZlib) {
      TInflate codec;
      ok = codec.Init() && DecompressStream(codec, in, inputSize, expected, output);
    } else if (algorithm == caBzip) {
      TBzDecompress codec;
      ok = codec.Init() && DecompressStream(codec, in, inputSize, expected, output);
    } else {
      ok = PpmDecompress(in, inputSize, expected, output);
    }
  } catch (...) {
    // As in CompressBuffer: the false result is the report.
    ok = false;
  }
  if (!ok) {
    output.clear();
    return false;
  }
  outputSize = static_cast<std::int64_t>(output.size());
  return outputSize > 0;
}

std::string_view CompressionAlgorithmName(std::uint8_t algorithm) {
  switch (algorithm) {
    case caNone:
      return "NONE";
    case caZlib:
      return "ZLIB";
    case caBzip:
      return "BZIP";
    case caPpm:
      return "PPM";
    default:
      throw platform::ERangeError("Range check error");
  }
}

std::uint8_t CompressionAlgorithmFromName(std::string_view name) noexcept {
  for (std::uint8_t value = caZlib; value <= caPpm; ++value) {
    const std::string_view known = CompressionAlgorithmName(value);
    if (name.size() == known.size() && std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) {
          return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 32) : a) == b;
        }))
      return value;
  }
  return caNone;
}

bool PpmOutputSizeAllowed(std::int64_t inputSize, std::int64_t expectedSize) noexcept {
  if (expectedSize <= 0 || expectedSize > kMaxCompressionBuffer || inputSize <= 0) return false;
  return expectedSize <= kPpmSmallOutput || expectedSize / kPpmMaxExpansion < inputSize;
}

bool PpmParamsForMode(std::uint8_t mode, TPpmParams& params) noexcept {
  if (mode < 1 || mode > 9) return false;
  params = kPpmParams[mode - 1];
  return true;
}

std::uint32_t PpmInformationWord(const TPpmParams& params) noexcept {
  return (static_cast<std::uint32_t>(params.MemoryMiB - 1) << 4) | static_cast<std::uint32_t>(params.Order - 1) |
         0x6000u;
}

bool PpmParamsFromInformationWord(std::uint32_t word, TPpmParams& params) noexcept {
  if ((word >> 12) != 6) return false;
  params.Order = static_cast<int>(word & 15) + 1;
  params.MemoryMiB = static_cast<int>((word >> 4) & 255) + 1;
  return true;
}

}  // namespace halvex
