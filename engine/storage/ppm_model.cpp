#include "engine/storage/ppm_model.h"

#include <algorithm>
#include <cstring>

namespace halvex::ppm {

namespace {

// State record (6 bytes): symbol, frequency, successor offset.
// The successor is either a context (offset >= UnitsStart), a position in
// the history area (offset <= Text: the context is not built yet, the byte
// there is the symbol that followed) or 0.
constexpr std::uint32_t kStateSize = 6;

inline std::uint8_t Sym(const std::uint8_t* s) { return s[0]; }
inline std::uint32_t Freq(const std::uint8_t* s) { return s[1]; }
inline void SetFreq(std::uint8_t* s, std::uint32_t f) { s[1] = static_cast<std::uint8_t>(f); }
inline std::uint32_t Succ(const std::uint8_t* s) { return Load32(s + 2); }
inline void SetSucc(std::uint8_t* s, std::uint32_t off) { Store32(s + 2, off); }
inline void SetState(std::uint8_t* s, std::uint8_t sym, std::uint32_t freq, std::uint32_t succ) {
  s[0] = sym;
  SetFreq(s, freq);
  SetSucc(s, succ);
}
inline void SwapStates(std::uint8_t* a, std::uint8_t* b) {
  std::uint8_t t[kStateSize];
  std::memcpy(t, a, kStateSize);
  std::memcpy(a, b, kStateSize);
  std::memcpy(b, t, kStateSize);
}

// Context record (one unit): symbol count, total frequency, state array,
// suffix. A context with a single symbol keeps its state in place of the
// total and the array reference.
inline std::uint32_t NumStats(const std::uint8_t* c) { return Load16(c); }
inline void SetNumStats(std::uint8_t* c, std::uint32_t n) { Store16(c, static_cast<std::uint16_t>(n)); }
inline std::uint32_t SummFreq(const std::uint8_t* c) { return Load16(c + 2); }
inline void SetSummFreq(std::uint8_t* c, std::uint32_t v) { Store16(c + 2, static_cast<std::uint16_t>(v)); }
inline std::uint32_t StatsOff(const std::uint8_t* c) { return Load32(c + 4); }
inline void SetStats(std::uint8_t* c, std::uint32_t off) { Store32(c + 4, off); }
inline std::uint32_t SuffixOff(const std::uint8_t* c) { return Load32(c + 8); }
inline void SetSuffix(std::uint8_t* c, std::uint32_t off) { Store32(c + 8, off); }
inline std::uint8_t* OneState(std::uint8_t* c) { return c + 2; }

constexpr std::uint32_t kMaxFreq = 124;
constexpr int kPeriodBits = 7;
constexpr std::uint32_t kInterval = 1u << 7;
constexpr std::uint32_t kBinScale = 1u << kRcBinBits;
// Keeps every coded total within what the range coder can split.
constexpr std::uint32_t kSummLimit = kRcMaxTotal - 1024;

struct TTables {
  std::uint8_t NumStatsToSee[256];
  std::uint8_t NumStatsToBin[256];
  std::uint8_t HighBits[256];

  constexpr TTables() : NumStatsToSee{}, NumStatsToBin{}, HighBits{} {
    // Escape statistics are shared by contexts of similar size; the
    // buckets widen as the count grows.
    int i = 0;
    for (; i < 3; ++i) {
      NumStatsToSee[i] = static_cast<std::uint8_t>(i);
    }
    for (int m = i, k = 1; i < 256; ++i) {
      NumStatsToSee[i] = static_cast<std::uint8_t>(m);
      if (--k == 0) {
        k = ++m - 2;
      }
    }
    for (i = 0; i < 256; ++i) {
      NumStatsToBin[i] = static_cast<std::uint8_t>(i == 0 ? 0 : i == 1 ? 2 : i <= 10 ? 4 : 6);
      HighBits[i] = static_cast<std::uint8_t>(i < 0x40 ? 0 : 0x08);
    }
  }
};

constexpr TTables kTables{};
static_assert(kTables.NumStatsToSee[255] < 25, "escape table has 25 rows");

// Escape count given to a binary context when it grows a second symbol,
// indexed by how unreliable its only symbol turned out to be.
constexpr std::uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
constexpr std::uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};

inline std::uint32_t BinMean(std::uint32_t prob) { return (prob + (1u << (kPeriodBits - 2))) >> kPeriodBits; }

inline std::uint32_t SeeMean(TSee& see) {
  const std::uint32_t r = see.Summ >> see.Shift;
  see.Summ = static_cast<std::uint16_t>(see.Summ - r);
  return r + (r == 0);
}

inline void SeeHit(TSee& see) {
  // Halves the adaptation speed a few times as the cell gathers evidence.
  if (see.Shift < kPeriodBits && --see.Count == 0) {
    see.Summ = static_cast<std::uint16_t>(see.Summ * 2);
    see.Count = static_cast<std::uint8_t>(3u << see.Shift++);
  }
}

inline std::uint8_t* FindState(std::uint8_t* stats, std::uint32_t ns, std::uint8_t sym) {
  for (std::uint8_t* const end = stats + ns * kStateSize; stats != end; stats += kStateSize) {
    if (Sym(stats) == sym) {
      return stats;
    }
  }
  return nullptr;
}

}  // namespace

bool TModel::Init(int maxOrder, std::size_t memoryBytes) {
  MaxOrder_ = maxOrder;
  if (!Alloc_.Allocate(memoryBytes)) {
    return false;
  }
  Base_ = Alloc_.Base();
  Restart();
  return true;
}

void TModel::Restart() {
  std::memset(CharMask_, 0, sizeof CharMask_);
  EscStamp_ = 0;
  Alloc_.Reset();
  Base_[Alloc_.Text()] = 0;

  OrderFall_ = MaxOrder_;
  RunLength_ = InitRunLength_ = -std::min(MaxOrder_, 12) - 1;
  PrevSuccess_ = 0;
  HiBitsFlag_ = 0;
  NumMasked_ = 0;

  // Order-0 context with every byte value once; it never loses a symbol,
  // so coding always terminates there.
  const std::uint32_t root = Alloc_.AllocContext();
  const std::uint32_t stats = Alloc_.AllocUnits(256 / 2);
  std::uint8_t* c = Ptr(root);
  SetNumStats(c, 256);
  SetSummFreq(c, 256 + 1);
  SetStats(c, stats);
  SetSuffix(c, 0);
  std::uint8_t* s = Ptr(stats);
  for (std::uint32_t i = 0; i < 256; ++i) {
    SetState(s + i * kStateSize, static_cast<std::uint8_t>(i), 1, 0);
  }
  MinContext_ = MaxContext_ = c;
  FoundState_ = s;

  for (int i = 0; i < 128; ++i) {
    for (int k = 0; k < 8; ++k) {
      const auto v = static_cast<std::uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
      for (int m = 0; m < 64; m += 8) {
        BinSumm_[i][k + m] = v;
      }
    }
  }
  for (int i = 0; i < 25; ++i) {
    for (auto& see : See_[i]) {
      see.Shift = kPeriodBits - 4;
      see.Summ = static_cast<std::uint16_t>((5 * i + 10) << see.Shift);
      see.Count = 4;
    }
  }
  InitEsc_ = kExpEscape[BinSumm_[0][0] >> 10];
}

void TModel::RestartExhausted() {
  ++Restarts_;
  Restart();
}

void TModel::NewMaskStamp() {
  if (++EscStamp_ == 0) {
    std::memset(CharMask_, 0, sizeof CharMask_);
    EscStamp_ = 1;
  }
}

void TModel::LimitTotal(std::uint8_t* ctx) {
  if (SummFreq(ctx) > kSummLimit) {
    HalveContext(ctx);
  }
}

void TModel::HalveContext(std::uint8_t* ctx) {
  // Rounding up keeps every symbol alive and the order of the array intact.
  const std::uint32_t ns = NumStats(ctx);
  std::uint8_t* s = Ptr(StatsOff(ctx));
  std::uint32_t oldSum = 0;
  std::uint32_t newSum = 0;
  for (std::uint32_t i = 0; i < ns; ++i, s += kStateSize) {
    oldSum += Freq(s);
    const std::uint32_t f = (Freq(s) + 1) >> 1;
    SetFreq(s, f);
    newSum += f;
  }
  const std::uint32_t esc = SummFreq(ctx) > oldSum ? SummFreq(ctx) - oldSum : 1;
  SetSummFreq(ctx, newSum + esc - (esc >> 1));
}

void TModel::Rescale() {
  std::uint8_t* const ctx = MinContext_;
  const std::uint32_t ns = NumStats(ctx);
  std::uint8_t* const stats = Ptr(StatsOff(ctx));

  // Move the symbol just seen to the front.
  {
    std::uint8_t tmp[kStateSize];
    std::memcpy(tmp, FoundState_, kStateSize);
    std::memmove(stats + kStateSize, stats, static_cast<std::size_t>(FoundState_ - stats));
    std::memcpy(stats, tmp, kStateSize);
  }
  int escFreq = static_cast<int>(SummFreq(ctx)) - static_cast<int>(Freq(stats));
  // At the top order symbols may die out; below it they must survive, since
  // longer contexts rely on finding their symbols in the shorter ones.
  const std::uint32_t adder = OrderFall_ != 0 ? 1 : 0;
  SetFreq(stats, (Freq(stats) + 4 + adder) >> 1);
  int sumFreq = static_cast<int>(Freq(stats));
  for (std::uint32_t i = 1; i < ns; ++i) {
    std::uint8_t* s = stats + i * kStateSize;
    escFreq -= static_cast<int>(Freq(s));
    const std::uint32_t f = (Freq(s) + adder) >> 1;
    SetFreq(s, f);
    sumFreq += static_cast<int>(f);
    if (f > Freq(s - kStateSize)) {
      // Keep the array sorted by decreasing frequency.
      std::uint8_t tmp[kStateSize];
      std::memcpy(tmp, s, kStateSize);
      std::uint8_t* p = s;
      do {
        std::memcpy(p, p - kStateSize, kStateSize);
        p -= kStateSize;
      } while (p != stats && f > Freq(p - kStateSize));
      std::memcpy(p, tmp, kStateSize);
    }
  }

  std::uint32_t alive = ns;
  while (alive > 1 && Freq(stats + (alive - 1) * kStateSize) == 0) {
    --alive;
  }
  if (alive != ns) {
    escFreq += static_cast<int>(ns - alive);
    SetNumStats(ctx, alive);
    const std::uint32_t oldUnits = (ns + 1) >> 1;
    if (alive == 1) {
      std::uint8_t tmp[kStateSize];
      std::memcpy(tmp, stats, kStateSize);
      std::uint32_t f = Freq(tmp);
      do {
        f -= f >> 1;
        escFreq >>= 1;
      } while (escFreq > 1);
      SetFreq(tmp, f);
      Alloc_.FreeUnits(Off(stats), oldUnits);
      FoundState_ = OneState(ctx);
      std::memcpy(FoundState_, tmp, kStateSize);
      return;
    }
    const std::uint32_t newUnits = (alive + 1) >> 1;
    if (newUnits != oldUnits) {
      SetStats(ctx, Alloc_.ShrinkUnits(Off(stats), oldUnits, newUnits));
    }
  }
  const int escPart = std::max(1, escFreq - (escFreq >> 1));
  SetSummFreq(ctx, static_cast<std::uint32_t>(sumFreq + escPart));
  FoundState_ = Ptr(StatsOff(ctx));
}

std::uint8_t* TModel::CreateSuccessors(bool skipFound) {
  std::uint8_t* c = MinContext_;
  const std::uint32_t upBranch = Succ(FoundState_);
  const std::uint8_t sym = Sym(FoundState_);
  // Only a history position can be expanded into contexts.
  if (upBranch == 0 || upBranch > Alloc_.Text()) {
    ++Anomalies_;
    return nullptr;
  }

  std::uint8_t* pending[kMaxOrder + 1];
  std::uint32_t numPending = 0;
  if (!skipFound) {
    pending[numPending++] = FoundState_;
  }
  // Walk down the suffixes while their state for this symbol still points
  // at the same history position; those all need a new context.
  while (SuffixOff(c) != 0) {
    c = Ptr(SuffixOff(c));
    std::uint8_t* s;
    if (NumStats(c) != 1) {
      s = FindState(Ptr(StatsOff(c)), NumStats(c), sym);
    } else {
      s = Sym(OneState(c)) == sym ? OneState(c) : nullptr;
    }
    if (s == nullptr || numPending > kMaxOrder) {
      ++Anomalies_;
      return nullptr;
    }
    const std::uint32_t succ = Succ(s);
    if (succ != upBranch) {
      if (succ < Alloc_.UnitsStart()) {
        ++Anomalies_;
        return nullptr;
      }
      c = Ptr(succ);
      if (numPending == 0) {
        return c;
      }
      break;
    }
    pending[numPending++] = s;
  }

  // The new contexts start with the symbol that followed in the history,
  // its frequency inherited from how common it is in the parent.
  const std::uint8_t upSym = Base_[upBranch];
  std::uint32_t upFreq;
  if (NumStats(c) == 1) {
    upFreq = Freq(OneState(c));
  } else {
    const std::uint8_t* s = FindState(Ptr(StatsOff(c)), NumStats(c), upSym);
    if (s == nullptr) {
      ++Anomalies_;
      return nullptr;
    }
    const std::uint32_t cf = Freq(s) - 1;
    const int rest = static_cast<int>(SummFreq(c)) - static_cast<int>(NumStats(c)) - static_cast<int>(cf);
    const std::uint32_t s0 = static_cast<std::uint32_t>(std::max(rest, 1));
    upFreq = 1 + ((2 * cf <= s0) ? (5 * cf > s0 ? 1u : 0u) : (2 * cf + 3 * s0 - 1) / (2 * s0));
  }

  do {
    const std::uint32_t off = Alloc_.AllocContext();
    if (off == 0) {
      return nullptr;
    }
    std::uint8_t* c1 = Ptr(off);
    SetNumStats(c1, 1);
    SetState(OneState(c1), upSym, upFreq, upBranch + 1);
    SetSuffix(c1, Off(c));
    SetSucc(pending[--numPending], off);
    c = c1;
  } while (numPending != 0);
  return c;
}

void TModel::UpdateModel() {
  std::uint8_t* const fs = FoundState_;
  const std::uint8_t fsSym = Sym(fs);
  const std::uint32_t fsFreq = Freq(fs);
  std::uint32_t fsSucc = Succ(fs);
  std::uint8_t* const minCtx = MinContext_;

  // A symbol still rare here also gains a little in the shorter context.
  if (fsFreq < kMaxFreq / 4 && SuffixOff(minCtx) != 0) {
    std::uint8_t* c = Ptr(SuffixOff(minCtx));
    if (NumStats(c) == 1) {
      std::uint8_t* s = OneState(c);
      if (Freq(s) < 32) {
        SetFreq(s, Freq(s) + 1);
      }
    } else {
      std::uint8_t* const stats = Ptr(StatsOff(c));
      std::uint8_t* s = stats;
      if (Sym(s) != fsSym) {
        s = FindState(stats + kStateSize, NumStats(c) - 1, fsSym);
        if (s != nullptr && Freq(s) >= Freq(s - kStateSize)) {
          SwapStates(s, s - kStateSize);
          s -= kStateSize;
        }
      }
      if (s == nullptr) {
        ++Anomalies_;
      } else if (Freq(s) < kMaxFreq - 9) {
        SetFreq(s, Freq(s) + 2);
        SetSummFreq(c, SummFreq(c) + 2);
      }
    }
  }

  if (OrderFall_ == 0) {
    // Top order: the successor is the longest context after this symbol.
    std::uint8_t* c = CreateSuccessors(true);
    if (c == nullptr) {
      RestartExhausted();
      return;
    }
    SetSucc(FoundState_, Off(c));
    MinContext_ = MaxContext_ = c;
    return;
  }

  std::uint32_t& text = Alloc_.Text();
  Base_[text++] = fsSym;
  std::uint32_t successor = text;
  if (text >= Alloc_.UnitsStart()) {
    RestartExhausted();
    return;
  }
  // Keeps the next history byte defined even before it is written.
  Base_[text] = 0;

  if (fsSucc != 0) {
    if (fsSucc <= text) {
      std::uint8_t* c = CreateSuccessors(false);
      if (c == nullptr) {
        RestartExhausted();
        return;
      }
      fsSucc = Off(c);
    }
    if (--OrderFall_ == 0) {
      successor = fsSucc;
    }
  } else {
    SetSucc(fs, successor);
    fsSucc = Off(minCtx);
  }

  // Add the symbol to every context we escaped from, guessing its initial
  // frequency from its share in the context where it was found.
  const std::uint32_t ns = NumStats(minCtx);
  std::uint32_t s0 = 0;
  if (ns != 1) {
    const int rest = static_cast<int>(SummFreq(minCtx)) - static_cast<int>(ns) - static_cast<int>(fsFreq) + 1;
    s0 = static_cast<std::uint32_t>(std::max(rest, 0));
  }
  for (std::uint8_t* c = MaxContext_; c != minCtx; c = Ptr(SuffixOff(c))) {
    const std::uint32_t ns1 = NumStats(c);
    if (ns1 != 1) {
      if ((ns1 & 1) == 0) {
        const std::uint32_t moved = Alloc_.ExpandUnits(StatsOff(c), ns1 >> 1);
        if (moved == 0) {
          RestartExhausted();
          return;
        }
        SetStats(c, moved);
      }
      std::uint32_t summ = SummFreq(c);
      summ += (2 * ns1 < ns ? 1u : 0u) + 2 * ((4 * ns1 <= ns ? 1u : 0u) & (summ <= 8 * ns1 ? 1u : 0u));
      SetSummFreq(c, summ);
    } else {
      const std::uint32_t off = Alloc_.AllocUnits(1);
      if (off == 0) {
        RestartExhausted();
        return;
      }
      std::uint8_t* s = Ptr(off);
      std::memcpy(s, OneState(c), kStateSize);
      SetStats(c, off);
      std::uint32_t f = Freq(s);
      f = f < kMaxFreq / 4 - 1 ? f * 2 : kMaxFreq - 4;
      SetFreq(s, f);
      SetSummFreq(c, f + InitEsc_ + (ns > 3 ? 1u : 0u));
    }
    std::uint32_t summ = SummFreq(c);
    std::uint32_t cf = 2 * fsFreq * (summ + 6);
    const std::uint32_t sf = s0 + summ;
    if (cf < 6 * sf) {
      cf = 1 + (cf > sf ? 1u : 0u) + (cf >= 4 * sf ? 1u : 0u);
      summ += 3;
    } else {
      cf = 4 + (cf >= 9 * sf ? 1u : 0u) + (cf >= 12 * sf ? 1u : 0u) + (cf >= 15 * sf ? 1u : 0u);
      summ += cf;
    }
    SetSummFreq(c, summ);
    SetState(Ptr(StatsOff(c)) + ns1 * kStateSize, fsSym, cf, successor);
    SetNumStats(c, ns1 + 1);
  }
  MaxContext_ = MinContext_ = Ptr(fsSucc);
}

void TModel::NextContext() {
  const std::uint32_t succ = Succ(FoundState_);
  if (OrderFall_ == 0 && succ >= Alloc_.UnitsStart()) {
    MinContext_ = MaxContext_ = Ptr(succ);
  } else {
    UpdateModel();
  }
}

void TModel::UpdateFirst() {
  std::uint8_t* const s = FoundState_;
  std::uint8_t* const ctx = MinContext_;
  PrevSuccess_ = 2 * Freq(s) > SummFreq(ctx) ? 1 : 0;
  RunLength_ += static_cast<int>(PrevSuccess_);
  SetSummFreq(ctx, SummFreq(ctx) + 4);
  SetFreq(s, Freq(s) + 4);
  if (Freq(s) > kMaxFreq) {
    Rescale();
  }
  NextContext();
}

void TModel::UpdateOther(std::uint8_t* s) {
  std::uint8_t* const ctx = MinContext_;
  SetFreq(s, Freq(s) + 4);
  SetSummFreq(ctx, SummFreq(ctx) + 4);
  if (Freq(s) > Freq(s - kStateSize)) {
    SwapStates(s, s - kStateSize);
    s -= kStateSize;
  }
  FoundState_ = s;
  if (Freq(s) > kMaxFreq) {
    Rescale();
  }
  NextContext();
}

void TModel::UpdateMasked() {
  std::uint8_t* const s = FoundState_;
  std::uint8_t* const ctx = MinContext_;
  SetSummFreq(ctx, SummFreq(ctx) + 4);
  SetFreq(s, Freq(s) + 4);
  if (Freq(s) > kMaxFreq) {
    Rescale();
  }
  RunLength_ = InitRunLength_;
  UpdateModel();
}

void TModel::UpdateBinary() {
  std::uint8_t* const s = FoundState_;
  if (Freq(s) < 128) {
    SetFreq(s, Freq(s) + 1);
  }
  PrevSuccess_ = 1;
  if (RunLength_ < (1 << 30)) {
    ++RunLength_;
  }
  NextContext();
}

std::uint16_t* TModel::BinaryProbability(std::uint8_t* ctx, std::uint32_t prevFlag) {
  const std::uint8_t* s = OneState(ctx);
  HiBitsFlag_ = prevFlag;
  const std::uint32_t suffix = SuffixOff(ctx);
  const std::uint32_t suffixStats = suffix != 0 ? NumStats(Ptr(suffix)) : 256;
  const std::uint32_t column = PrevSuccess_ + kTables.NumStatsToBin[suffixStats - 1] + HiBitsFlag_ +
                               2u * kTables.HighBits[Sym(s)] + (static_cast<std::uint32_t>(RunLength_ >> 26) & 0x20);
  return &BinSumm_[Freq(s) - 1][column];
}

std::uint32_t TModel::EscapeFrequency(std::uint8_t* ctx, std::uint32_t unmasked, TSee*& see) {
  const std::uint32_t ns = NumStats(ctx);
  if (ns == 256) {
    see = nullptr;
    return 1;
  }
  const std::uint32_t suffix = SuffixOff(ctx);
  const int suffixStats = suffix != 0 ? static_cast<int>(NumStats(Ptr(suffix))) : 256;
  const std::uint32_t column = (static_cast<int>(unmasked) < suffixStats - static_cast<int>(ns) ? 1u : 0u) +
                               2u * (SummFreq(ctx) < 11 * ns ? 1u : 0u) + 4u * (NumMasked_ > unmasked ? 1u : 0u) +
                               HiBitsFlag_;
  see = &See_[kTables.NumStatsToSee[unmasked - 1]][column];
  return SeeMean(*see);
}

bool TModel::EncodeSymbol(TRangeEncoder& rc, int symbol) {
  const std::uint32_t prevFlag = kTables.HighBits[Sym(FoundState_)];
  std::uint8_t* ctx = MinContext_;
  if (NumStats(ctx) != 1) {
    LimitTotal(ctx);
    const std::uint32_t ns = NumStats(ctx);
    std::uint8_t* const stats = Ptr(StatsOff(ctx));
    const std::uint32_t total = SummFreq(ctx);
    std::uint8_t* s = stats;
    if (Sym(s) == symbol) {
      rc.Encode(0, Freq(s), total);
      FoundState_ = s;
      UpdateFirst();
      return true;
    }
    PrevSuccess_ = 0;
    std::uint32_t low = Freq(s);
    for (std::uint32_t i = 1; i < ns; ++i) {
      s += kStateSize;
      if (Sym(s) == symbol) {
        rc.Encode(low, Freq(s), total);
        UpdateOther(s);
        return true;
      }
      low += Freq(s);
    }
    if (low >= total) {
      // The escape count would be empty; coding on would corrupt the stream.
      ++Anomalies_;
      return false;
    }
    HiBitsFlag_ = prevFlag;
    rc.Encode(low, total - low, total);
    NewMaskStamp();
    for (std::uint32_t i = 0; i < ns; ++i) {
      CharMask_[Sym(stats + i * kStateSize)] = EscStamp_;
    }
    NumMasked_ = ns;
  } else {
    std::uint8_t* const s = OneState(ctx);
    std::uint16_t* const prob = BinaryProbability(ctx, prevFlag);
    if (Sym(s) == symbol) {
      rc.EncodeBit(*prob, 0);
      *prob = static_cast<std::uint16_t>(*prob + kInterval - BinMean(*prob));
      FoundState_ = s;
      UpdateBinary();
      return true;
    }
    rc.EncodeBit(*prob, 1);
    *prob = static_cast<std::uint16_t>(*prob - BinMean(*prob));
    InitEsc_ = kExpEscape[*prob >> 10];
    NewMaskStamp();
    CharMask_[Sym(s)] = EscStamp_;
    NumMasked_ = 1;
    PrevSuccess_ = 0;
  }

  for (;;) {
    // Contexts that cannot hold an unseen symbol are skipped at no cost.
    do {
      ++OrderFall_;
      const std::uint32_t suffix = SuffixOff(ctx);
      if (suffix == 0) {
        return false;
      }
      ctx = Ptr(suffix);
    } while (NumStats(ctx) <= NumMasked_);
    MinContext_ = ctx;
    LimitTotal(ctx);
    const std::uint32_t ns = NumStats(ctx);
    std::uint8_t* const stats = Ptr(StatsOff(ctx));
    std::uint32_t sum = 0;
    std::uint32_t low = 0;
    std::uint32_t unmasked = 0;
    std::uint8_t* found = nullptr;
    std::uint8_t* s = stats;
    // Branch-free over the mask: it flips unpredictably from state to state.
    // The symbol being coded is never masked, so matching it needs no test.
    for (std::uint32_t i = 0; i < ns; ++i, s += kStateSize) {
      const std::uint32_t keep = CharMask_[Sym(s)] != EscStamp_ ? 1u : 0u;
      if (Sym(s) == symbol) {
        found = s;
        low = sum;
      }
      sum += Freq(s) & (0u - keep);
      unmasked += keep;
    }
    if (unmasked == 0) {
      NumMasked_ = ns;
      continue;
    }
    if (sum >= kRcMaxTotal) {
      ++Anomalies_;
      return false;
    }
    TSee* see = nullptr;
    const std::uint32_t esc = std::min(EscapeFrequency(ctx, unmasked, see), kRcMaxTotal - sum);
    const std::uint32_t total = sum + esc;
    if (found != nullptr) {
      rc.Encode(low, Freq(found), total);
      if (see != nullptr) {
        SeeHit(*see);
      }
      FoundState_ = found;
      UpdateMasked();
      return true;
    }
    rc.Encode(sum, esc, total);
    if (see != nullptr) {
      see->Summ = static_cast<std::uint16_t>(see->Summ + total);
    }
    for (std::uint32_t i = 0; i < ns; ++i) {
      CharMask_[Sym(stats + i * kStateSize)] = EscStamp_;
    }
    NumMasked_ = ns;
  }
}

int TModel::DecodeSymbol(TRangeDecoder& rc) {
  const std::uint32_t prevFlag = kTables.HighBits[Sym(FoundState_)];
  std::uint8_t* ctx = MinContext_;
  if (NumStats(ctx) != 1) {
    LimitTotal(ctx);
    const std::uint32_t ns = NumStats(ctx);
    std::uint8_t* const stats = Ptr(StatsOff(ctx));
    const std::uint32_t total = SummFreq(ctx);
    const std::uint32_t count = rc.GetFreq(total);
    if (count >= total) {
      return -1;
    }
    std::uint8_t* s = stats;
    std::uint32_t hi = Freq(s);
    if (count < hi) {
      rc.Decode(0, hi);
      FoundState_ = s;
      const int symbol = Sym(s);
      UpdateFirst();
      return symbol;
    }
    PrevSuccess_ = 0;
    for (std::uint32_t i = 1; i < ns; ++i) {
      s += kStateSize;
      const std::uint32_t f = Freq(s);
      if (count < hi + f) {
        rc.Decode(hi, f);
        const int symbol = Sym(s);
        UpdateOther(s);
        return symbol;
      }
      hi += f;
    }
    HiBitsFlag_ = prevFlag;
    rc.Decode(hi, total - hi);
    NewMaskStamp();
    for (std::uint32_t i = 0; i < ns; ++i) {
      CharMask_[Sym(stats + i * kStateSize)] = EscStamp_;
    }
    NumMasked_ = ns;
  } else {
    std::uint8_t* const s = OneState(ctx);
    std::uint16_t* const prob = BinaryProbability(ctx, prevFlag);
    const int bit = rc.DecodeBit(*prob);
    if (bit < 0) {
      return -1;
    }
    if (bit == 0) {
      *prob = static_cast<std::uint16_t>(*prob + kInterval - BinMean(*prob));
      FoundState_ = s;
      const int symbol = Sym(s);
      UpdateBinary();
      return symbol;
    }
    *prob = static_cast<std::uint16_t>(*prob - BinMean(*prob));
    InitEsc_ = kExpEscape[*prob >> 10];
    NewMaskStamp();
    CharMask_[Sym(s)] = EscStamp_;
    NumMasked_ = 1;
    PrevSuccess_ = 0;
  }

  std::uint8_t* candidates[256];
  for (;;) {
    do {
      ++OrderFall_;
      const std::uint32_t suffix = SuffixOff(ctx);
      if (suffix == 0) {
        return -1;
      }
      ctx = Ptr(suffix);
    } while (NumStats(ctx) <= NumMasked_);
    MinContext_ = ctx;
    LimitTotal(ctx);
    const std::uint32_t ns = NumStats(ctx);
    std::uint8_t* s = Ptr(StatsOff(ctx));
    std::uint32_t sum = 0;
    std::uint32_t unmasked = 0;
    for (std::uint32_t i = 0; i < ns; ++i, s += kStateSize) {
      const std::uint32_t keep = CharMask_[Sym(s)] != EscStamp_ ? 1u : 0u;
      candidates[unmasked] = s;
      sum += Freq(s) & (0u - keep);
      unmasked += keep;
    }
    if (unmasked == 0) {
      NumMasked_ = ns;
      continue;
    }
    if (sum >= kRcMaxTotal) {
      ++Anomalies_;
      return -1;
    }
    TSee* see = nullptr;
    const std::uint32_t esc = std::min(EscapeFrequency(ctx, unmasked, see), kRcMaxTotal - sum);
    const std::uint32_t total = sum + esc;
    const std::uint32_t count = rc.GetFreq(total);
    if (count >= total) {
      return -1;
    }
    if (count < sum) {
      std::uint32_t hi = 0;
      std::uint32_t k = 0;
      while (hi + Freq(candidates[k]) <= count) {
        hi += Freq(candidates[k]);
        ++k;
      }
      rc.Decode(hi, Freq(candidates[k]));
      if (see != nullptr) {
        SeeHit(*see);
      }
      FoundState_ = candidates[k];
      const int symbol = Sym(FoundState_);
      UpdateMasked();
      return symbol;
    }
    rc.Decode(sum, esc);
    if (see != nullptr) {
      see->Summ = static_cast<std::uint16_t>(see->Summ + total);
    }
    for (std::uint32_t k = 0; k < unmasked; ++k) {
      CharMask_[Sym(candidates[k])] = EscStamp_;
    }
    NumMasked_ = ns;
  }
}

}  // namespace halvex::ppm
