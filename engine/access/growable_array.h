#pragma once
// Growable arrays of 32-bit integers, 64-bit integers and record ids, sharing
// one layout and one growth policy: capacity grows and shrinks in steps that
// double before each use, from a start step up to a maximum step.
//
// SetCount(n):
//   n == 0                 storage freed, Count = Capacity = 0
//   n > Capacity           GrowStep = min(2 * GrowStep, MaxStep); Capacity becomes
//                          Capacity + GrowStep when that exceeds n, else n
//   n < Count, n <= Cap.   when Capacity - n > ShrinkStep: ShrinkStep = min(2 *
//                          ShrinkStep, MaxStep) and storage reallocated to exactly n
//   then Count = n.
//
// Items live in one block of engine memory; new items read as zero. Not
// thread-safe: used by one thread at a time, under its owner's lock.

#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/storage/exception.h"
#include "engine/storage/memory_manager.h"
#include "platform/rtl/exception.h"

namespace halvex {

template <typename Item, typename CountType>
class THalvexGrowableArray {
 public:
  THalvexGrowableArray(CountType initialCount, CountType maxStep, CountType startStep)
      : growStep_(startStep), shrinkStep_(startStep), maxStep_(maxStep) {
    if (initialCount > 0) SetCount(initialCount);
  }
  ~THalvexGrowableArray() { MemoryManager().FreeAndNil(items_); }
  THalvexGrowableArray(const THalvexGrowableArray&) = delete;
  THalvexGrowableArray& operator=(const THalvexGrowableArray&) = delete;

  CountType Count() const noexcept { return count_; }
  CountType Capacity() const noexcept { return capacity_; }
  CountType GrowStep() const noexcept { return growStep_; }
  CountType ShrinkStep() const noexcept { return shrinkStep_; }
  CountType MaxStep() const noexcept { return maxStep_; }

  void SetCount(CountType n) {
    if (n < 0) throw platform::ERangeError("Range check error");
    if (n == 0) {
      MemoryManager().FreeAndNil(items_);
      count_ = capacity_ = 0;
      return;
    }
    if (n > capacity_) {
      growStep_ = Min(Double(growStep_), maxStep_);
      const CountType grown = capacity_ + growStep_;
      Reallocate(grown > n ? grown : n);
    } else if (n < count_ && capacity_ - n > shrinkStep_) {
      shrinkStep_ = Min(Double(shrinkStep_), maxStep_);
      Reallocate(n);
    }
    count_ = n;
  }

  // Checked access: an index outside 0 .. Count - 1 is a range error.
  const Item& operator[](CountType index) const { return items_[Check(index)]; }
  Item& operator[](CountType index) { return items_[Check(index)]; }
  Item Get(CountType index) const { return items_[Check(index)]; }
  void Set(CountType index, const Item& item) { items_[Check(index)] = item; }

  void Add(const Item& item) {
    SetCount(count_ + 1);
    items_[count_ - 1] = item;
  }

  void Delete(CountType index) {
    Check(index);
    const CountType behind = count_ - index - 1;
    if (behind > 0) std::memmove(items_ + index, items_ + index + 1, static_cast<std::size_t>(behind) * sizeof(Item));
    SetCount(count_ - 1);
  }

  void Clear() { SetCount(0); }

  // Unchecked storage for loops over 0 .. Count - 1; null when empty.
  Item* Data() noexcept { return items_; }
  const Item* Data() const noexcept { return items_; }

 protected:
  CountType Check(CountType index) const {
    if (index < 0 || index >= count_) throw platform::ERangeError("Range check error");
    return index;
  }

 private:
  static CountType Min(CountType a, CountType b) { return a < b ? a : b; }
  static CountType Double(CountType step) {
    return step > std::numeric_limits<CountType>::max() / 2 ? std::numeric_limits<CountType>::max() : step * 2;
  }

  void Reallocate(CountType capacity) {
    const auto bytes = static_cast<long double>(capacity) * sizeof(Item);
    // One engine block holds at most 2^31 - 1 bytes.
    if (bytes > static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
      RaiseHalvex(30014, THalvexMessage::ReallocMemError, {"Out of memory"});
    MemoryManager().ReallocMem(items_, static_cast<std::int32_t>(capacity * static_cast<CountType>(sizeof(Item))), true);
    capacity_ = capacity;
  }

  Item* items_ = nullptr;  // engine memory, Capacity items
  CountType count_ = 0;
  CountType capacity_ = 0;
  CountType growStep_;
  CountType shrinkStep_;
  CountType maxStep_;
};

class THalvexIntegerArray : public THalvexGrowableArray<std::int32_t, std::int32_t> {
 public:
  THalvexIntegerArray(std::int32_t initialCount = 0, std::int32_t maxStep = 100, std::int32_t startStep = 10)
      : THalvexGrowableArray(initialCount, maxStep, startStep) {}

  // Linear search from the front; -1 when absent.
  std::int32_t IndexOf(std::int32_t value) const noexcept {
    const std::int32_t* items = Data();
    for (std::int32_t i = 0; i < Count(); ++i)
      if (items[i] == value) return i;
    return -1;
  }
  bool Contains(std::int32_t value) const noexcept { return IndexOf(value) >= 0; }
};

class THalvexInt64Array : public THalvexGrowableArray<std::int64_t, std::int64_t> {
 public:
  THalvexInt64Array(std::int64_t initialCount = 0, std::int64_t maxStep = 100, std::int64_t startStep = 10)
      : THalvexGrowableArray(initialCount, maxStep, startStep) {}
};

}  // namespace halvex
