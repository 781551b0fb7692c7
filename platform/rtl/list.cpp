#include "platform/rtl/list.h"

#include <algorithm>

#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace platform {

void TList::Check(std::int32_t index, std::int32_t limit) const {
  if (index < 0 || index >= limit) throw ERangeError(Format("List index out of bounds (%d)", {index}));
}

void TList::SetCapacity(std::int32_t capacity) {
  if (capacity < Count()) throw ERangeError(Format("List capacity out of bounds (%d)", {capacity}));
  items_.reserve(static_cast<std::size_t>(capacity));
}

void* TList::Get(std::int32_t index) const {
  Check(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void TList::Put(std::int32_t index, void* item) {
  Check(index, Count());
  items_[static_cast<std::size_t>(index)] = item;
}

std::int32_t TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(std::int32_t index, void* item) {
  Check(index, Count() + 1);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(std::int32_t index) {
  Check(index, Count());
  items_.erase(items_.begin() + index);
}

std::int32_t TList::Remove(void* item) {
  const std::int32_t index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

std::int32_t TList::IndexOf(const void* item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<std::int32_t>(it - items_.begin());
}

void TList::Exchange(std::int32_t a, std::int32_t b) {
  Check(a, Count());
  Check(b, Count());
  std::swap(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]);
}

void TList::Move(std::int32_t from, std::int32_t to) {
  if (from == to) return;
  Check(from, Count());
  Check(to, Count());
  void* item = items_[static_cast<std::size_t>(from)];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, item);
}

void TList::Sort(const std::function<int(const void*, const void*)>& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](const void* a, const void* b) { return compare(a, b) < 0; });
}

}  // namespace platform
