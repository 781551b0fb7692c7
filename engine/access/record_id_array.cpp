#include "engine/access/record_id_array.h"

#include <utility>

namespace halvex {

int THalvexRecordIDArray::Compare(const TRecordID& a, const TRecordID& b) const noexcept {
  if (pageNoOnly_) return a.PageNo < b.PageNo ? -1 : (a.PageNo > b.PageNo ? 1 : 0);
  if (are48BitNumbers_) {
    const std::uint64_t x = RecordIDAs48Bit(a), y = RecordIDAs48Bit(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.PageNo != b.PageNo) return a.PageNo < b.PageNo ? -1 : 1;
  if (a.PageItemNo != b.PageItemNo) return a.PageItemNo < b.PageItemNo ? -1 : 1;
  return 0;
}

void THalvexRecordIDArray::Add(const TRecordID& id) {
  if (sorted_ && Count() > 0 && Compare(Data()[Count() - 1], id) > 0) sorted_ = false;
  THalvexGrowableArray::Add(id);
}

void THalvexRecordIDArray::Insert(std::int32_t index, const TRecordID& id) {
  if (index < 0) throw platform::ERangeError("Range check error");
  SetCount(Count() + 1);
  TRecordID* items = Data();
  const std::int32_t count = Count();
  std::int32_t at = count - 1;
  if (count >= 2 && index < count - 1) {
    std::memmove(items + index + 1, items + index, static_cast<std::size_t>(count - 1 - index) * sizeof(TRecordID));
    at = index;
  }
  items[at] = id;
  if (sorted_ && ((at > 0 && Compare(items[at - 1], id) > 0) || (at + 1 < count && Compare(id, items[at + 1]) > 0)))
    sorted_ = false;
}

void THalvexRecordIDArray::SortRange(std::int32_t lo, std::int32_t hi) {
  TRecordID* items = Data();
  // Recurse into the smaller part and loop over the larger, so the depth stays
  // logarithmic whatever the input.
  while (lo < hi) {
    const TRecordID pivot = items[lo + (hi - lo) / 2];
    std::int32_t i = lo, j = hi;
    do {
      while (Compare(items[i], pivot) < 0 && i < hi) ++i;
      while (Compare(items[j], pivot) > 0 && j > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j && j == hi)
      RaiseHalvex(11329, THalvexMessage::RecordIDSortError, {j, i, hi, lo, Count()});
    if (j - lo < hi - i) {
      if (lo < j) SortRange(lo, j);
      lo = i;
    } else {
      if (i < hi) SortRange(i, hi);
      hi = j;
    }
  }
}

void THalvexRecordIDArray::Sort() {
  if (Count() > 1) SortRange(0, Count() - 1);
  sorted_ = true;
}

std::int32_t THalvexRecordIDArray::Find(const TRecordID& id) const noexcept {
  const TRecordID* items = Data();
  const std::int32_t count = Count();
  if (sorted_ && count > 10) {
    std::int32_t lo = 0, hi = count - 1;
    while (lo <= hi) {
      const std::int32_t mid = lo + (hi - lo) / 2;
      const int c = Compare(items[mid], id);
      if (c == 0) return mid;
      if (c < 0)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
    return -1;
  }
  for (std::int32_t i = 0; i < count; ++i)
    if (items[i].PageNo == id.PageNo && items[i].PageItemNo == id.PageItemNo) return i;
  return -1;
}

}  // namespace halvex
