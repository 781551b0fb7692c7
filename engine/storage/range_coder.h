#pragma once

#include <cstddef>
#include <cstdint>

namespace halvex::ppm {

// Carry-less range coder on 32-bit low/range. Bytes leave once the top byte of
// the interval is settled; when the range gets too small without that
// happening it is cut down to the next kBot boundary, so no carry ever
// propagates into bytes already written.
inline constexpr std::uint32_t kRcTop = 1u << 24;
inline constexpr std::uint32_t kRcBot = 1u << 15;
// Totals passed to Encode/GetFreq must not exceed this (range >= kRcBot after
// normalisation, so range / total stays >= 1).
inline constexpr std::uint32_t kRcMaxTotal = kRcBot;
// Binary decisions use probabilities scaled to 2^kRcBinBits.
inline constexpr int kRcBinBits = 14;

class TRangeEncoder {
 public:
  TRangeEncoder(std::uint8_t* out, std::size_t capacity) : Out_(out), Capacity_(capacity) {}

  void Encode(std::uint32_t cum, std::uint32_t freq, std::uint32_t total) {
    Range_ /= total;
    Low_ += cum * Range_;
    Range_ *= freq;
    Normalize();
  }

  // size0 is the scaled probability of bit 0, in (0, 2^kRcBinBits).
  void EncodeBit(std::uint32_t size0, int bit) {
    const std::uint32_t bound = (Range_ >> kRcBinBits) * size0;
    if (bit == 0) {
      Range_ = bound;
    } else {
      Low_ += bound;
      Range_ -= bound;
    }
    Normalize();
  }

  // Emits the top of the final interval: a decoder that runs past the last
  // symbol then finds itself at the very end of every interval and fails,
  // and one that stops early cannot see the same end point.
  void Flush() {
    std::uint32_t v = Low_ + (Range_ - 1);
    for (int i = 0; i < 4; ++i) {
      Put(static_cast<std::uint8_t>(v >> 24));
      v <<= 8;
    }
  }

  bool Overflowed() const { return Overflow_; }
  std::size_t Size() const { return Pos_; }

 private:
  void Normalize() {
    for (;;) {
      if ((Low_ ^ (Low_ + Range_)) >= kRcTop) {
        if (Range_ >= kRcBot) {
          return;
        }
        Range_ = (0u - Low_) & (kRcBot - 1);
      }
      Put(static_cast<std::uint8_t>(Low_ >> 24));
      Low_ <<= 8;
      Range_ <<= 8;
    }
  }

  void Put(std::uint8_t byte) {
    if (Pos_ < Capacity_) {
      Out_[Pos_++] = byte;
    } else {
      Overflow_ = true;
    }
  }

  std::uint8_t* Out_;
  std::size_t Capacity_;
  std::size_t Pos_ = 0;
  std::uint32_t Low_ = 0;
  std::uint32_t Range_ = 0xFFFFFFFFu;
  bool Overflow_ = false;
};

// Mirrors TRangeEncoder. Reading past the input sets a sticky flag and feeds
// zeros; callers check Failed() once per symbol.
class TRangeDecoder {
 public:
  TRangeDecoder(const std::uint8_t* in, std::size_t size) : In_(in), Size_(size) {
    for (int i = 0; i < 4; ++i) {
      Code_ = (Code_ << 8) | Get();
    }
  }

  // Returns the cumulative count the code falls on; a valid stream always
  // yields a value below total, anything else means corruption. A total the
  // coder cannot split is reported the same way.
  std::uint32_t GetFreq(std::uint32_t total) {
    if (total == 0 || total > kRcMaxTotal) {
      return total;
    }
    Range_ /= total;
    return (Code_ - Low_) / Range_;
  }

  void Decode(std::uint32_t cum, std::uint32_t freq) {
    Low_ += cum * Range_;
    Range_ *= freq;
    Normalize();
  }

  // Returns 0 or 1, or -1 when the code lies outside the current interval.
  int DecodeBit(std::uint32_t size0) {
    const std::uint32_t offset = Code_ - Low_;
    if (offset >= Range_) {
      return -1;
    }
    const std::uint32_t bound = (Range_ >> kRcBinBits) * size0;
    int bit;
    if (offset < bound) {
      Range_ = bound;
      bit = 0;
    } else {
      Low_ += bound;
      Range_ -= bound;
      bit = 1;
    }
    Normalize();
    return bit;
  }

  bool Failed() const { return Overrun_; }

  // True when the whole input was consumed and the code sits exactly where
  // the encoder's flush put it.
  bool FinishedCleanly() const { return !Overrun_ && Pos_ == Size_ && Code_ == Low_ + (Range_ - 1); }

 private:
  void Normalize() {
    for (;;) {
      if ((Low_ ^ (Low_ + Range_)) >= kRcTop) {
        if (Range_ >= kRcBot) {
          return;
        }
        Range_ = (0u - Low_) & (kRcBot - 1);
      }
      Code_ = (Code_ << 8) | Get();
      Low_ <<= 8;
      Range_ <<= 8;
    }
  }

  std::uint32_t Get() {
    if (Pos_ < Size_) {
      return In_[Pos_++];
    }
    Overrun_ = true;
    return 0;
  }

  const std::uint8_t* In_;
  std::size_t Size_;
  std::size_t Pos_ = 0;
  std::uint32_t Low_ = 0;
  std::uint32_t Range_ = 0xFFFFFFFFu;
  std::uint32_t Code_ = 0;
  bool Overrun_ = false;
};

}  // namespace halvex::ppm
