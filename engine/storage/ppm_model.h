#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/storage/ppm_suballocator.h"
#include "engine/storage/range_coder.h"

namespace halvex::ppm {

inline constexpr int kMinOrder = 2;
inline constexpr int kMaxOrder = 16;

// Secondary escape estimation cell: an adaptive estimate of the escape count
// for masked contexts sharing similar shape.
struct TSee {
  std::uint16_t Summ;
  std::uint8_t Shift;
  std::uint8_t Count;
};

// Context-tree model with binary and masked contexts. Encoder and decoder run
// the very same update code; only the coding of one symbol differs.
class TModel {
 public:
  // Allocates the arena (exactly memoryBytes) and builds the initial model.
  bool Init(int maxOrder, std::size_t memoryBytes);

  // Both return false (decode: -1) only on an impossible event, which for
  // the decoder means corrupt input.
  bool EncodeSymbol(TRangeEncoder& rc, int symbol);
  int DecodeSymbol(TRangeDecoder& rc);

  // Observability for tests.
  std::uint64_t RestartCount() const { return Restarts_; }
  // Internal consistency checks that fired; always 0 unless the tree is broken.
  std::uint64_t AnomalyCount() const { return Anomalies_; }
  const TSubAllocator& Allocator() const { return Alloc_; }

 private:
  void Restart();
  void RestartExhausted();
  void NextContext();
  void UpdateModel();
  std::uint8_t* CreateSuccessors(bool skipFound);
  void Rescale();
  void HalveContext(std::uint8_t* ctx);
  void LimitTotal(std::uint8_t* ctx);

  void UpdateFirst();
  void UpdateOther(std::uint8_t* s);
  void UpdateMasked();
  void UpdateBinary();

  std::uint16_t* BinaryProbability(std::uint8_t* ctx, std::uint32_t prevFlag);
  std::uint32_t EscapeFrequency(std::uint8_t* ctx, std::uint32_t unmasked, TSee*& see);
  void NewMaskStamp();

  std::uint8_t* Ptr(std::uint32_t off) const { return Base_ + off; }
  std::uint32_t Off(const std::uint8_t* p) const { return static_cast<std::uint32_t>(p - Base_); }

  TSubAllocator Alloc_;
  std::uint8_t* Base_ = nullptr;

  std::uint8_t* MinContext_ = nullptr;
  std::uint8_t* MaxContext_ = nullptr;
  std::uint8_t* FoundState_ = nullptr;
  int MaxOrder_ = 0;
  int OrderFall_ = 0;
  int RunLength_ = 0;
  int InitRunLength_ = 0;
  std::uint32_t InitEsc_ = 0;
  std::uint32_t PrevSuccess_ = 0;
  std::uint32_t HiBitsFlag_ = 0;
  std::uint32_t NumMasked_ = 0;
  std::uint8_t EscStamp_ = 0;
  std::uint64_t Restarts_ = 0;
  std::uint64_t Anomalies_ = 0;

  std::uint8_t CharMask_[256] = {};
  std::uint16_t BinSumm_[128][64] = {};
  TSee See_[25][16] = {};
};

}  // namespace halvex::ppm
