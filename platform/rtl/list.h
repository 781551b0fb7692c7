#pragma once
// TList: the platform's list of untyped pointers. It owns nothing it points to.

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

class TList {
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  virtual ~TList() = default;

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  std::int32_t Capacity() const noexcept { return static_cast<std::int32_t>(items_.capacity()); }
  void SetCapacity(std::int32_t capacity);

  // Index checks raise ERangeError "List index out of bounds (%d)".
  void* Get(std::int32_t index) const;
  void Put(std::int32_t index, void* item);
  void* operator[](std::int32_t index) const { return Get(index); }

  std::int32_t Add(void* item);
  void Insert(std::int32_t index, void* item);  // index may equal Count
  void Delete(std::int32_t index);
  std::int32_t Remove(void* item);  // returns the former index, or -1
  std::int32_t IndexOf(const void* item) const;
  void Exchange(std::int32_t a, std::int32_t b);
  void Move(std::int32_t from, std::int32_t to);
  void Clear() { items_.clear(); }
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }
  // Stable sort by a three-way comparison (< 0, 0, > 0).
  void Sort(const std::function<int(const void*, const void*)>& compare);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  void Check(std::int32_t index, std::int32_t limit) const;

  std::vector<void*> items_;
};

}  // namespace platform
