#include "platform/rtl/string_list.h"

#include <algorithm>

#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"

namespace platform {

namespace {
char AsciiUpper(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

void TStringList::Check(std::int32_t index, std::int32_t limit) const {
  if (index < 0 || index >= limit) throw ERangeError(Format("List index out of bounds (%d)", {index}));
}

const std::string& TStringList::Strings(std::int32_t index) const {
  Check(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void TStringList::SetStrings(std::int32_t index, std::string value) {
  Check(index, Count());
  items_[static_cast<std::size_t>(index)] = std::move(value);
}

std::int32_t TStringList::Add(std::string value) {
  items_.push_back(std::move(value));
  return Count() - 1;
}

void TStringList::Insert(std::int32_t index, std::string value) {
  Check(index, Count() + 1);
  items_.insert(items_.begin() + index, std::move(value));
}

void TStringList::Delete(std::int32_t index) {
  Check(index, Count());
  items_.erase(items_.begin() + index);
}

std::int32_t TStringList::IndexOf(std::string_view value) const noexcept {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string& item = items_[i];
    if (item.size() == value.size() &&
        std::equal(item.begin(), item.end(), value.begin(),
                   [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); }))
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

void TStringList::Sort() { std::sort(items_.begin(), items_.end()); }

std::string TStringList::Text() const {
  std::string text;
  for (const std::string& item : items_) {
    text += item;
    text += '\n';
  }
  return text;
}

}  // namespace platform
