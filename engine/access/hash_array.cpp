#include "engine/access/hash_array.h"

#include "engine/access/growable_array.h"
#include "engine/storage/exception.h"

namespace halvex {
namespace {

constexpr std::uint32_t kNoEntry = 0xFFFFFFFFu;

std::int32_t PowerOfTwoAtLeast(std::int64_t n) {
  std::int64_t p = 1;
  while (p < n && p < (std::int64_t{1} << 30)) p <<= 1;
  return static_cast<std::int32_t>(p);
}

}  // namespace

THalvexHashArray::THalvexHashArray(std::int32_t keySize, std::int32_t sizeParameter, TComposeFunction compose,
                                   TSplitFunction split)
    : keySize_(keySize), compose_(std::move(compose)), split_(std::move(split)) {
  if (keySize < 1 || keySize >= kMaxKeySize) RaiseHalvex(11662, THalvexMessage::InvalidHashKeySize, {keySize, kMaxKeySize});
  maxCount_ = (1u << keySize) - 1;
  buckets_ = std::make_unique<THalvexIntegerArray>(0, 1 << 20, 1024);
  values_ = std::make_unique<THalvexIntegerArray>(0, 1 << 20, 1024);
  next_ = std::make_unique<THalvexIntegerArray>(0, 1 << 20, 1024);
  Rehash(PowerOfTwoAtLeast(sizeParameter < 1 ? 1 : sizeParameter));
}

THalvexHashArray::~THalvexHashArray() = default;

std::uint64_t THalvexHashArray::Compose(std::uint32_t count, std::uint32_t first) const {
  if (count > maxCount_) RaiseHalvex(11663, THalvexMessage::InvalidHashCount, {count, maxCount_});
  if (compose_) return compose_(count, first);
  return static_cast<std::uint64_t>(first) << 32 | count;
}

void THalvexHashArray::Split(std::uint64_t word, std::uint32_t& count, std::uint32_t& first) const {
  if (split_) {
    split_(word, count, first);
  } else {
    count = static_cast<std::uint32_t>(word & 0xFFFFFFFFu);
    first = static_cast<std::uint32_t>(word >> 32);
  }
  if (count > maxCount_) RaiseHalvex(11664, THalvexMessage::InvalidHashCount, {count, maxCount_});
}

std::uint32_t THalvexHashArray::BucketOf(std::uint32_t value) const noexcept {
  // A multiplicative mix spreads values that differ only in high bits.
  std::uint32_t h = value;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h & static_cast<std::uint32_t>(bucketCount_ - 1);
}

std::int32_t THalvexHashArray::FindIn(std::uint64_t word, std::uint32_t value) const {
  std::uint32_t count = 0, first = 0;
  Split(word, count, first);
  const std::int32_t* values = values_->Data();
  const std::int32_t* next = next_->Data();
  std::uint32_t entry = first;
  for (std::uint32_t i = 0; i < count && entry != kNoEntry; ++i) {
    if (static_cast<std::uint32_t>(values[entry]) == value) return static_cast<std::int32_t>(entry);
    entry = static_cast<std::uint32_t>(next[entry]);
  }
  return -1;
}

static std::uint64_t LoadWord(const THalvexIntegerArray& buckets, std::uint32_t bucket) {
  const std::int32_t* d = buckets.Data();
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(d[2 * bucket + 1])) << 32 |
         static_cast<std::uint32_t>(d[2 * bucket]);
}

static void StoreWord(THalvexIntegerArray& buckets, std::uint32_t bucket, std::uint64_t word) {
  std::int32_t* d = buckets.Data();
  d[2 * bucket] = static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
  d[2 * bucket + 1] = static_cast<std::int32_t>(static_cast<std::uint32_t>(word >> 32));
}

bool THalvexHashArray::Contains(std::uint32_t value) const {
  return FindIn(LoadWord(*buckets_, BucketOf(value)), value) >= 0;
}

// Links a new entry at the head of its bucket; the bucket has room.
void THalvexHashArray::InsertEntry(std::uint32_t value) {
  const std::uint32_t bucket = BucketOf(value);
  std::uint32_t count = 0, first = 0;
  Split(LoadWord(*buckets_, bucket), count, first);
  const auto entry = static_cast<std::uint32_t>(values_->Count());
  values_->Add(static_cast<std::int32_t>(value));
  next_->Add(static_cast<std::int32_t>(count == 0 ? kNoEntry : first));
  StoreWord(*buckets_, bucket, Compose(count + 1, entry));
}

// The widest table: beyond it a crowded bucket is reported, not spread.
constexpr std::int32_t kMaxBuckets = 1 << 30;

void THalvexHashArray::Rehash(std::int32_t bucketCount) {
  for (;;) {
    bucketCount_ = bucketCount;
    buckets_->SetCount(0);
    buckets_->SetCount(2 * bucketCount);
    for (std::int32_t b = 0; b < bucketCount; ++b)
      StoreWord(*buckets_, static_cast<std::uint32_t>(b), Compose(0, kNoEntry));
    // Re-link every entry; the values stay where they are.
    const std::int32_t entries = values_->Count();
    std::int32_t* values = values_->Data();
    std::int32_t* next = next_->Data();
    bool crowded = false;
    for (std::int32_t e = 0; e < entries && !crowded; ++e) {
      const std::uint32_t bucket = BucketOf(static_cast<std::uint32_t>(values[e]));
      std::uint32_t count = 0, first = 0;
      Split(LoadWord(*buckets_, bucket), count, first);
      if (count == maxCount_ && bucketCount < kMaxBuckets) {
        crowded = true;  // spread wider and start over
        break;
      }
      next[e] = static_cast<std::int32_t>(count == 0 ? kNoEntry : first);
      StoreWord(*buckets_, bucket, Compose(count + 1, static_cast<std::uint32_t>(e)));
    }
    if (!crowded) return;
    bucketCount *= 2;
  }
}

bool THalvexHashArray::AddIfAbsent(std::uint32_t value) {
  if (FindIn(LoadWord(*buckets_, BucketOf(value)), value) >= 0) return true;
  // Keep chains short: grow at a load of one entry per bucket, and before a
  // bucket would exceed what its count bits can say.
  if (count_ + 1 > bucketCount_ && bucketCount_ < kMaxBuckets) Rehash(bucketCount_ * 2);
  for (;;) {
    std::uint32_t count = 0, first = 0;
    Split(LoadWord(*buckets_, BucketOf(value)), count, first);
    if (count < maxCount_ || bucketCount_ >= kMaxBuckets) break;
    Rehash(bucketCount_ * 2);
  }
  InsertEntry(value);  // a bucket still full at the widest table raises 11663 here
  ++count_;
  return false;
}

void THalvexHashArray::Clear() {
  values_->SetCount(0);
  next_->SetCount(0);
  count_ = 0;
  Rehash(bucketCount_);
}

}  // namespace halvex
