#pragma once
// Conversion of stored data between base types: the one table that typed
// access, CastTo, comparisons and arithmetic share. Source and result are in
// record-buffer form (the layout in engine/storage/data_types.h): text
// zero terminated, BLOB content without terminator, numbers in their width,
// dates as day numbers, times as milliseconds, date-times as the two, logical
// as int16 0 / -1.
//
//   from \ to       text         integers      floats     date/time/dt     logical     currency
//   text, BLOB      copy         parse         parse      parse (formats)  "1"/"TRUE"  parse
//   integers        decimal      narrow        value      numbers          non-zero    value
//   floats          float text   trunc (chk)   value      trunc/round      non-zero    value
//   date            date text    day (chk)     day        see below        -           -
//   time            time text    ms (chk)      ms         see below        -           -
//   date-time       text         date (chk)    date+frac  parts            -           -
//   logical         True/False   0 / -1        0 / -1     -                copy        -
//   currency        text         trunc (chk)   value      -                non-zero    copy
//
// "-" raises "Cannot cast from '%s' to '%s'" (30052); a conversion that
// fails (text that does not parse, a value out of range) raises the same
// message with 30051. Byte types convert only among themselves (and to and
// from the binary BLOB).

#include <cstdint>

#include "engine/access/value_buffer.h"

namespace halvex {

// No date: the day number that stands for an empty date.
inline constexpr std::int32_t kNoDate = INT32_MIN;
// The time part of a date-time that holds a date only.
inline constexpr std::int32_t kDateOnly = -1;

// REQUIRES: data points to size readable bytes (or is null with size 0).
// Writes the converted value into out.
void ConvertData(std::uint8_t from, const std::uint8_t* data, std::int32_t size, std::uint8_t to, TValueBuffer& out);

// Reads a fixed-width value; a shorter buffer is zero extended, so bad sizes
// can give wrong numbers but never read outside the buffer.
template <typename T>
T LoadScalar(const std::uint8_t* data, std::int32_t size) noexcept {
  T value{};
  std::uint8_t bytes[sizeof(T)] = {};
  if (data != nullptr && size > 0)
    std::memcpy(bytes, data, static_cast<std::size_t>(size < static_cast<std::int32_t>(sizeof(T)) ? size : sizeof(T)));
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

// 80-bit extended values: 10 bytes in records, long double in memory.
long double LoadExtended(const std::uint8_t* data, std::int32_t size) noexcept;
void StoreExtended(long double value, std::uint8_t* target) noexcept;

// Length of narrow text in a buffer: up to the first zero, at most size.
std::int32_t NarrowTextLength(const std::uint8_t* data, std::int32_t size) noexcept;
// Length in UTF-16 units of wide text: up to the first zero unit.
std::int32_t WideTextLength(const std::uint8_t* data, std::int32_t size) noexcept;

}  // namespace halvex
