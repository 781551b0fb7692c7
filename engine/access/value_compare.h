#pragma once
// CompareValues: the ordering of two stored values, shared by index keys,
// scan conditions and the value type.
//
// Outcome codes:  0 equal, 1 first less, 2 first greater,
//                 3 first null (second not), 4 second null (first not), 5 both null.
//
// Values of different base types are first brought to their common type
// (data_types.h); no common type raises "Cannot compare Incompatible
// DataTypes: '%s' and '%s'" (30044). Text compares through the user locale's
// collation (platform/rtl/collation.h), up to its terminator or
// `length` characters (-1: no limit); a collation failure raises
// "Unknown return code: %d" (30045 narrow, 30046 wide). BLOB and byte types
// have no order: "Unknown DataType: '%s'" (30047).
//
// Data is read only within the given sizes. Comparing values of one type
// allocates nothing; converting a mixed pair uses stack buffers for numbers
// and short texts.

#include <cstdint>

namespace halvex {

inline constexpr int kCompareEqualTo = 0;
inline constexpr int kCompareLessThan = 1;
inline constexpr int kCompareGreaterThan = 2;
inline constexpr int kCompareFirstNull = 3;
inline constexpr int kCompareSecondNull = 4;
inline constexpr int kCompareBothNull = 5;

// REQUIRES: a (b) points to sizeA (sizeB) readable bytes unless it is null.
int CompareValues(const void* a, std::int32_t sizeA, const void* b, std::int32_t sizeB, std::uint8_t typeA,
                  std::uint8_t typeB, bool caseInsensitive, std::int32_t length, bool aIsNull, bool bIsNull);

// Reduces an outcome code to -1, 0, +1 (nulls first, two nulls equal).
constexpr int ReduceCompareCode(int code) noexcept {
  return code == kCompareLessThan || code == kCompareFirstNull      ? -1
         : code == kCompareGreaterThan || code == kCompareSecondNull ? 1
                                                                      : 0;
}

}  // namespace halvex
