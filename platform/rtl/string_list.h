#pragma once
// TStringList: an ordered list of narrow strings, the platform's list of names
// (table names, field lists). Lookups by IndexOf ignore ASCII case, as the
// engine's names do; the order is the order of Add unless Sort is called.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TStringList {
 public:
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  // Index checks raise ERangeError "List index out of bounds (%d)".
  const std::string& Strings(std::int32_t index) const;
  void SetStrings(std::int32_t index, std::string value);
  std::int32_t Add(std::string value);
  void Insert(std::int32_t index, std::string value);  // index may equal Count
  void Delete(std::int32_t index);
  void Clear() noexcept { items_.clear(); }
  // The first index whose text equals `value` ignoring ASCII case, or -1.
  std::int32_t IndexOf(std::string_view value) const noexcept;
  // Ordinal byte order.
  void Sort();
  // The items joined by "\n", each followed by one.
  std::string Text() const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  void Check(std::int32_t index, std::int32_t limit) const;
  std::vector<std::string> items_;
};

}  // namespace platform
