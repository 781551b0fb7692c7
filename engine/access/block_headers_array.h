#pragma once
// THalvexCompressedStreamBlockHeadersArray: the block headers of a compressed
// BLOB stream, each with the position where it stands in the underlying
// stream. Positions ascend, so a position is found by binary search. Grows in
// steps from 10 up to 10000 headers. Not thread-safe.

#include <cstdint>

#include "engine/access/growable_array.h"
#include "engine/storage/blob_block_header.h"

namespace halvex {

class THalvexCompressedStreamBlockHeadersArray {
 public:
  THalvexCompressedStreamBlockHeadersArray() : headers_(0, 10000, 10), positions_(0, 10000, 10) {}

  std::int64_t Count() const noexcept { return headers_.Count(); }
  // REQUIRES: position is above every stored position.
  void Add(const TBlobBlockHeader& header, std::int64_t position) {
    headers_.Add(header);
    try {
      positions_.Add(position);
    } catch (...) {
      headers_.SetCount(headers_.Count() - 1);  // keep the two arrays parallel
      throw;
    }
  }
  const TBlobBlockHeader& Header(std::int64_t index) const { return headers_[index]; }
  TBlobBlockHeader& Header(std::int64_t index) { return headers_[index]; }
  std::int64_t Position(std::int64_t index) const { return positions_[index]; }
  // Drops the headers from count on (a truncated stream).
  void SetCount(std::int64_t count) {
    headers_.SetCount(count);
    positions_.SetCount(count);
  }
  void Clear() { SetCount(0); }
  // The index of the last header standing at or before value; -1 when value
  // lies before the first header or the array is empty.
  std::int64_t FindPosition(std::int64_t value) const noexcept {
    std::int64_t lo = 0, hi = positions_.Count() - 1, found = -1;
    const std::int64_t* p = positions_.Data();
    while (lo <= hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (p[mid] <= value) {
        found = mid;
        lo = mid + 1;
      } else {
        hi = mid - 1;
      }
    }
    return found;
  }

 private:
  THalvexGrowableArray<TBlobBlockHeader, std::int64_t> headers_;
  THalvexGrowableArray<std::int64_t, std::int64_t> positions_;
};

}  // namespace halvex
