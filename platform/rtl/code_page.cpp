#include "platform/rtl/code_page.h"

#include <unicode/ucnv.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/rtl/exception.h"
#include "platform/rtl/format.h"
#include "platform/rtl/locale.h"

namespace platform {
namespace {

constexpr std::array<std::int32_t, 10> kCodePages = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

int SlotOf(std::int32_t codePage) noexcept {
  for (std::size_t i = 0; i < kCodePages.size(); ++i)
    if (kCodePages[i] == codePage) return static_cast<int>(i);
  return -1;
}

std::atomic<std::int32_t> gPinnedCodePage{0};

[[noreturn]] void RaiseUnsupported(std::int32_t codePage) {
  throw EConvertError(Format("Unsupported code page %d", {codePage}));
}

struct CaseTables {
  std::int32_t codePage = 0;
  std::uint32_t generation = 0;
  char upper[256];
  char lower[256];
};

// Maps one UTF-16 unit with the locale's full case mapping; a mapping that
// does not give exactly one unit keeps the character.
char16_t MapUnit(char16_t c, const char* locale, bool upper) {
  UChar in[1] = {c};
  UChar out[4];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = upper ? u_strToUpper(out, 4, in, 1, locale, &status) : u_strToLower(out, 4, in, 1, locale, &status);
  return U_SUCCESS(status) && n == 1 ? out[0] : c;
}

// Narrow case tables for the current code page and locale, rebuilt on this
// thread when either changes.
const CaseTables& CurrentCaseTables() {
  thread_local CaseTables tables;
  const std::int32_t codePage = AnsiCodePage();
  const std::uint32_t generation = LocaleGeneration();
  if (tables.codePage != codePage || tables.generation != generation) {
    const TCodePageTable& table = CodePageTable(codePage);
    const std::string locale = UserLocale();
    for (int b = 0; b < 256; ++b) {
      const char16_t wide = table.ToWide(static_cast<unsigned char>(b));
      for (int pass = 0; pass < 2; ++pass) {
        const char16_t mapped = MapUnit(wide, locale.c_str(), pass == 0);
        const char back = table.FromWide(mapped);
        // A counterpart outside the code page keeps the original character.
        const char result = (back == '?' && mapped != u'?') ? static_cast<char>(b) : back;
        (pass == 0 ? tables.upper : tables.lower)[b] = result;
      }
    }
    tables.codePage = codePage;
    tables.generation = generation;
  }
  return tables;
}

std::u16string MapWide(std::u16string_view text, bool upper) {
  if (text.empty()) return {};
  const std::string locale = UserLocale();
  std::u16string out(text.size() + 8, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = upper ? u_strToUpper(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                           reinterpret_cast<const UChar*>(text.data()),
                                           static_cast<int32_t>(text.size()), locale.c_str(), &status)
                            : u_strToLower(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                           reinterpret_cast<const UChar*>(text.data()),
                                           static_cast<int32_t>(text.size()), locale.c_str(), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(n), u'\0');
      continue;
    }
    if (U_FAILURE(status)) throw EConvertError("Case mapping failed");
    out.resize(static_cast<std::size_t>(n));
    return out;
  }
  throw EConvertError("Case mapping failed");
}

}  // namespace

bool IsSupportedCodePage(std::int32_t codePage) noexcept { return SlotOf(codePage) >= 0; }

std::int32_t DefaultAnsiCodePage(const std::string& localeId) {
  const std::string language = localeId.substr(0, localeId.find_first_of("_-"));
  struct Entry {
    const char* language;
    std::int32_t codePage;
  };
  static constexpr Entry kLanguages[] = {
      {"hu", 1250}, {"cs", 1250}, {"sk", 1250}, {"pl", 1250}, {"sl", 1250}, {"hr", 1250}, {"bs", 1250},
      {"ro", 1250}, {"sq", 1250}, {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251},
      {"sr", 1251}, {"el", 1253}, {"tr", 1254}, {"az", 1254}, {"he", 1255}, {"ar", 1256}, {"fa", 1256},
      {"ur", 1256}, {"lt", 1257}, {"lv", 1257}, {"et", 1257}, {"vi", 1258}, {"th", 874},
  };
  for (const Entry& e : kLanguages)
    if (language == e.language) {
      // Serbian in Latin script writes Central European letters.
      if (language == "sr" && localeId.find("Latn") != std::string::npos) return 1250;
      return e.codePage;
    }
  return 1252;
}

std::int32_t AnsiCodePage() {
  const std::int32_t pinned = gPinnedCodePage.load(std::memory_order_acquire);
  if (pinned != 0) return pinned;
  // Compare paths ask for the code page on every call: keep the locale's one
  // per thread instead of reading the locale each time.
  thread_local std::uint32_t generation = 0;
  thread_local std::int32_t derived = 0;
  const std::uint32_t current = LocaleGeneration();
  if (generation != current || derived == 0) {
    derived = DefaultAnsiCodePage(UserLocale());
    generation = current;
  }
  return derived;
}

void SetAnsiCodePage(std::int32_t codePage) {
  if (codePage != 0 && !IsSupportedCodePage(codePage)) RaiseUnsupported(codePage);
  gPinnedCodePage.store(codePage, std::memory_order_release);
}

const TCodePageTable& CodePageTable(std::int32_t codePage) {
  const int slot = SlotOf(codePage);
  if (slot < 0) RaiseUnsupported(codePage);
  static std::array<std::once_flag, kCodePages.size()> once;
  static std::array<std::unique_ptr<TCodePageTable>, kCodePages.size()> tables;
  std::call_once(once[static_cast<std::size_t>(slot)], [&] {
    auto table = std::make_unique<TCodePageTable>();
    table->codePage_ = codePage;
    const std::string name = "windows-" + std::to_string(codePage);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status)) throw EConvertError(Format("Unsupported code page %d", {codePage}));
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      UChar out[4];
      status = U_ZERO_ERROR;
      ucnv_reset(converter);
      // Undefined bytes come back as the substitution character.
      const int32_t n = ucnv_toUChars(converter, out, 4, &byte, 1, &status);
      const bool defined = U_SUCCESS(status) && n == 1 && out[0] != 0xFFFD && out[0] != 0x1A;
      table->toWide_[b] = defined ? static_cast<char16_t>(out[0]) : static_cast<char16_t>(b);
    }
    ucnv_close(converter);
    for (int b = 255; b >= 1; --b) {
      const char16_t wide = table->toWide_[b];
      // First byte wins when two bytes map to one unit (none do in these pages).
      if (table->fromWide_[wide] == 0) table->fromWide_[wide] = static_cast<unsigned char>(b);
    }
    tables[static_cast<std::size_t>(slot)] = std::move(table);
  });
  return *tables[static_cast<std::size_t>(slot)];
}

std::size_t TCodePageTable::ToWide(std::string_view text, char16_t* out) const noexcept {
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = toWide_[static_cast<unsigned char>(text[i])];
  return text.size();
}

std::u16string AnsiToWide(std::string_view text, std::int32_t codePage) {
  const TCodePageTable& table = CodePageTable(codePage);
  std::u16string out(text.size(), u'\0');
  table.ToWide(text, out.data());
  return out;
}

std::string WideToAnsi(std::u16string_view text, std::int32_t codePage) {
  const TCodePageTable& table = CodePageTable(codePage);
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = table.FromWide(text[i]);
  return out;
}

std::u16string AnsiToWide(std::string_view text) { return AnsiToWide(text, AnsiCodePage()); }
std::string WideToAnsi(std::u16string_view text) { return WideToAnsi(text, AnsiCodePage()); }

std::string AnsiUpperCase(std::string_view text) {
  const CaseTables& tables = CurrentCaseTables();
  std::string out(text);
  for (char& c : out) c = tables.upper[static_cast<unsigned char>(c)];
  return out;
}

std::string AnsiLowerCase(std::string_view text) {
  const CaseTables& tables = CurrentCaseTables();
  std::string out(text);
  for (char& c : out) c = tables.lower[static_cast<unsigned char>(c)];
  return out;
}

std::u16string WideUpperCase(std::u16string_view text) { return MapWide(text, true); }
std::u16string WideLowerCase(std::u16string_view text) { return MapWide(text, false); }

std::u16string Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), length, &length, text.data(),
                       static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  if (text.empty()) return {};
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(nullptr, 0, &length, reinterpret_cast<const UChar*>(text.data()),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  std::string out(static_cast<std::size_t>(length), '\0');
  status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), length, &length, reinterpret_cast<const UChar*>(text.data()),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  return out;
}

}  // namespace platform
