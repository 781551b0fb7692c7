#include "engine/storage/ppm_codec.h"

#include <memory>
#include <new>

#include "engine/storage/ppm_model.h"
#include "engine/storage/range_coder.h"

namespace halvex {

namespace {

constexpr int kMinMemoryMiB = 1;
constexpr int kMaxMemoryMiB = 256;

bool ValidParams(const TPpmParams& params) {
  return params.Order >= ppm::kMinOrder && params.Order <= ppm::kMaxOrder && params.MemoryMiB >= kMinMemoryMiB &&
         params.MemoryMiB <= kMaxMemoryMiB;
}

// The model carries a few tens of KiB of tables; keep it off the stack.
std::unique_ptr<ppm::TModel> MakeModel(const TPpmParams& params) {
  std::unique_ptr<ppm::TModel> model(new (std::nothrow) ppm::TModel);
  if (model && !model->Init(params.Order, static_cast<std::size_t>(params.MemoryMiB) << 20)) {
    model.reset();
  }
  return model;
}

}  // namespace

bool PpmEncode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t outCapacity, std::size_t& outSize,
               TPpmParams params) {
  outSize = 0;
  if (!ValidParams(params)) {
    return false;
  }
  if (n == 0) {
    return true;
  }
  auto model = MakeModel(params);
  if (!model) {
    return false;
  }
  ppm::TRangeEncoder rc(out, outCapacity);
  for (std::size_t i = 0; i < n; ++i) {
    if (!model->EncodeSymbol(rc, in[i]) || rc.Overflowed()) {
      return false;
    }
  }
  rc.Flush();
  if (rc.Overflowed()) {
    return false;
  }
  outSize = rc.Size();
  return true;
}

bool PpmDecode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t expectedSize, TPpmParams params) {
  if (!ValidParams(params)) {
    return false;
  }
  if (expectedSize == 0) {
    return n == 0;
  }
  // Any non-empty stream ends with the four flushed code bytes.
  if (n < 4) {
    return false;
  }
  auto model = MakeModel(params);
  if (!model) {
    return false;
  }
  ppm::TRangeDecoder rc(in, n);
  for (std::size_t i = 0; i < expectedSize; ++i) {
    const int symbol = model->DecodeSymbol(rc);
    if (symbol < 0 || rc.Failed()) {
      return false;
    }
    out[i] = static_cast<std::uint8_t>(symbol);
  }
  return rc.FinishedCleanly();
}

}  // namespace halvex
