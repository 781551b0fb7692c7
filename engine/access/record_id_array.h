#pragma once
// THalvexRecordIDArray: a growable array of record ids that knows how its
// table orders them, so that it can sort them and find one by binary search.
//
// Ordering (Compare): with PageNoOnly the page numbers alone (memory tables);
// else with Are48BitNumbers the six stored bytes as one unsigned 48-bit
// little-endian number (temporary tables); else PageNo, then PageItemNo, both
// signed. Find searches binarily when Sorted and Count > 10, else linearly for
// an id with equal PageNo and PageItemNo.
//
// Sorted is true at creation and after Sort. Add and Insert keep it only
// while the new id does not break the ascending order, so a Find never runs a
// binary search over ids that are out of order; owners that order the list
// by something else clear it themselves.

#include <cstdint>

#include "engine/access/growable_array.h"
#include "engine/storage/record_id.h"

namespace halvex {

class THalvexRecordIDArray : public THalvexGrowableArray<TRecordID, std::int32_t> {
 public:
  THalvexRecordIDArray(std::int32_t initialCount = 0, std::int32_t maxStep = 100, std::int32_t startStep = 10)
      : THalvexGrowableArray(initialCount, maxStep, startStep) {}

  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool sorted) noexcept { sorted_ = sorted; }
  bool PageNoOnly() const noexcept { return pageNoOnly_; }
  void SetPageNoOnly(bool value) noexcept { pageNoOnly_ = value; }
  bool Are48BitNumbers() const noexcept { return are48BitNumbers_; }
  void SetAre48BitNumbers(bool value) noexcept { are48BitNumbers_ = value; }

  // -1, 0 or 1 under the table's ordering.
  int Compare(const TRecordID& a, const TRecordID& b) const noexcept;

  void Add(const TRecordID& id);
  // Count grows by one; the id is stored at index when at least two items
  // exist and index < Count - 1 (the items from index on move back), else last.
  void Insert(std::int32_t index, const TRecordID& id);

  // Quicksort with Compare; raises 11329 when a partition makes no progress.
  void Sort();
  // Index of an item equal to id, or -1.
  std::int32_t Find(const TRecordID& id) const noexcept;

 private:
  void SortRange(std::int32_t lo, std::int32_t hi);

  bool sorted_ = true;
  bool pageNoOnly_ = false;
  bool are48BitNumbers_ = false;
};

}  // namespace halvex
