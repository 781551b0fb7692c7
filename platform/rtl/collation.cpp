#include "platform/rtl/collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <memory>
#include <mutex>
#include <string_view>

#include "platform/rtl/code_page.h"
#include "platform/rtl/locale.h"

namespace platform {
namespace {

struct Collators {
  std::uint32_t generation = 0;
  std::string locale;
  // Null when ICU has no collator for the locale; compares then fail.
  std::unique_ptr<icu::Collator> caseSensitive;
  std::unique_ptr<icu::Collator> caseInsensitive;
};

std::unique_ptr<icu::Collator> MakeCollator(const icu::Locale& locale, UColAttributeValue strength) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
  if (U_FAILURE(status) || !collator) return nullptr;
  collator->setAttribute(UCOL_STRENGTH, strength, status);
  // Punctuation takes part in the order like letters and digits.
  collator->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, status);
  collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
  if (U_FAILURE(status)) return nullptr;
  return collator;
}

std::shared_ptr<const Collators> Build(std::uint32_t generation) {
  auto collators = std::make_shared<Collators>();
  collators->generation = generation;
  const std::string id = UserLocale();
  const icu::Locale locale = id.empty() ? icu::Locale::getRoot() : icu::Locale(id.c_str());
  collators->caseSensitive = MakeCollator(locale, UCOL_TERTIARY);
  collators->caseInsensitive = MakeCollator(locale, UCOL_SECONDARY);
  if (collators->caseSensitive) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale actual = collators->caseSensitive->getLocale(ULOC_ACTUAL_LOCALE, status);
    collators->locale = U_SUCCESS(status) ? actual.getName() : "";
    if (collators->locale.empty()) collators->locale = "root";
  }
  return collators;
}

std::mutex gLock;
std::shared_ptr<const Collators> gShared;  // guarded by gLock

// The collators of the current locale. The thread keeps its own reference,
// so the common path takes no lock and allocates nothing.
const Collators& Current() {
  thread_local std::shared_ptr<const Collators> cached;
  const std::uint32_t generation = LocaleGeneration();
  if (!cached || cached->generation != generation) {
    std::lock_guard<std::mutex> guard(gLock);
    if (!gShared || gShared->generation != generation) gShared = Build(generation);
    cached = gShared;
  }
  return *cached;
}

template <typename Char>
std::int32_t MeasuredLength(const Char* text, std::int32_t length) {
  if (text == nullptr) return 0;
  std::int32_t n = 0;
  if (length < 0) {
    while (text[n] != 0) ++n;
  } else {
    while (n < length && text[n] != 0) ++n;
  }
  return n;
}

int FromOrder(UCollationResult order) {
  switch (order) {
    case UCOL_LESS:
      return kCompareLess;
    case UCOL_EQUAL:
      return kCompareEqual;
    case UCOL_GREATER:
      return kCompareGreater;
  }
  return kCompareFailed;
}

int CompareUnits(const char16_t* a, std::int32_t lengthA, const char16_t* b, std::int32_t lengthB,
                 bool caseInsensitive) {
  const Collators& collators = Current();
  const icu::Collator* collator = caseInsensitive ? collators.caseInsensitive.get() : collators.caseSensitive.get();
  if (collator == nullptr) return kCompareFailed;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult order = collator->compare(a, lengthA, b, lengthB, status);
  if (U_FAILURE(status)) return kCompareFailed;
  return FromOrder(order);
}

// UTF-16 form of narrow text: on the stack when short, else on the heap.
class WideScratch {
 public:
  WideScratch(const TCodePageTable& table, const char* text, std::int32_t length) : length_(length) {
    if (length <= kCollationStackChars) {
      data_ = stack_;
    } else {
      heap_.resize(static_cast<std::size_t>(length));
      data_ = heap_.data();
    }
    table.ToWide(std::string_view(text, static_cast<std::size_t>(length)), data_);
  }
  const char16_t* Data() const noexcept { return data_; }
  std::int32_t Length() const noexcept { return length_; }

 private:
  char16_t stack_[kCollationStackChars];
  std::u16string heap_;
  char16_t* data_;
  std::int32_t length_;
};

}  // namespace

int CompareAnsiText(const char* a, std::int32_t lengthA, const char* b, std::int32_t lengthB, bool caseInsensitive) {
  const TCodePageTable& table = AnsiCodePageTable();
  const WideScratch wideA(table, a, MeasuredLength(a, lengthA));
  const WideScratch wideB(table, b, MeasuredLength(b, lengthB));
  return CompareUnits(wideA.Data(), wideA.Length(), wideB.Data(), wideB.Length(), caseInsensitive);
}

int CompareWideText(const char16_t* a, std::int32_t lengthA, const char16_t* b, std::int32_t lengthB,
                    bool caseInsensitive) {
  static const char16_t kEmpty[1] = {0};
  const std::int32_t na = MeasuredLength(a, lengthA);
  const std::int32_t nb = MeasuredLength(b, lengthB);
  return CompareUnits(a ? a : kEmpty, na, b ? b : kEmpty, nb, caseInsensitive);
}

std::string CollationLocale() { return Current().locale; }

}  // namespace platform
