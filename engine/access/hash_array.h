#pragma once
// THalvexHashArray: a set of 32-bit values in buckets. Each bucket is one
// 64-bit bucket word that holds the bucket's entry count and the index of its
// first entry in a chained entry table. KeySize is the number of bits the
// count may use (1 .. 31), so a bucket holds at most 2^KeySize - 1 entries;
// the bucket table doubles before any bucket would overflow. Callers may
// supply their own composing and splitting of bucket words; counts are checked
// both ways.
//
// Not thread-safe. Memory is engine memory through growable arrays.

#include <cstdint>
#include <functional>
#include <memory>

namespace halvex {

class THalvexIntegerArray;

class THalvexHashArray {
 public:
  static constexpr std::int32_t kMaxKeySize = 32;
  using TComposeFunction = std::function<std::uint64_t(std::uint32_t count, std::uint32_t first)>;
  using TSplitFunction = std::function<void(std::uint64_t word, std::uint32_t& count, std::uint32_t& first)>;

  // Raises 11662 for keySize < 1 or >= 32. sizeParameter is the expected
  // number of buckets (at least 1).
  THalvexHashArray(std::int32_t keySize, std::int32_t sizeParameter, TComposeFunction compose = nullptr,
                   TSplitFunction split = nullptr);
  ~THalvexHashArray();
  THalvexHashArray(const THalvexHashArray&) = delete;
  THalvexHashArray& operator=(const THalvexHashArray&) = delete;

  // Adds the value unless present; returns true when it was already present.
  bool AddIfAbsent(std::uint32_t value);
  bool Contains(std::uint32_t value) const;
  std::int32_t Count() const noexcept { return count_; }
  std::int32_t KeySize() const noexcept { return keySize_; }
  std::uint32_t MaxCount() const noexcept { return maxCount_; }
  std::int32_t BucketCount() const noexcept { return bucketCount_; }
  void Clear();

 private:
  std::uint64_t Compose(std::uint32_t count, std::uint32_t first) const;  // 11663
  void Split(std::uint64_t word, std::uint32_t& count, std::uint32_t& first) const;  // 11664
  std::uint32_t BucketOf(std::uint32_t value) const noexcept;
  std::int32_t FindIn(std::uint64_t word, std::uint32_t value) const;
  void Rehash(std::int32_t bucketCount);
  void InsertEntry(std::uint32_t value);

  std::int32_t keySize_;
  std::uint32_t maxCount_;
  TComposeFunction compose_;
  TSplitFunction split_;
  std::int32_t bucketCount_ = 0;  // a power of two
  std::int32_t count_ = 0;
  std::unique_ptr<THalvexIntegerArray> buckets_;  // two 32-bit halves per bucket word
  std::unique_ptr<THalvexIntegerArray> values_;   // entry values
  std::unique_ptr<THalvexIntegerArray> next_;     // entry chain links, -1 ends a chain
};

}  // namespace halvex
