#pragma once
// Narrow ("ANSI") text: single-byte characters of one code page, the ANSI
// code page. By default it follows the user's locale (Central European
// languages -> 1250, Cyrillic -> 1251, Greek -> 1253, Turkish -> 1254,
// Baltic -> 1257, everything else including C/POSIX -> 1252); an application
// may pin it. Conversion to and from UTF-16 goes through tables built once
// per code page from ICU's converters:
//   - every byte maps to one UTF-16 unit; bytes the code page leaves
//     undefined map to U+0080..U+00FF of the same value, so that any byte
//     string survives a round trip through wide text;
//   - a UTF-16 unit without a byte in the code page becomes '?'.
// Upper and lower case follow the user's locale (Turkish dotted i and so on);
// narrow case mapping is character by character and keeps the length, a
// character whose counterpart is not in the code page stays as it is.
//
// Thread safety: all functions may be called from any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Code pages with tables: 874 and 1250 to 1258.
bool IsSupportedCodePage(std::int32_t codePage) noexcept;

// The ANSI code page in force: the pinned one, else the user locale's.
std::int32_t AnsiCodePage();
// Pins the ANSI code page; 0 unpins it. Raises EConvertError "Unsupported
// code page %d" for a code page without a table.
void SetAnsiCodePage(std::int32_t codePage);
// The code page that follows a locale id ("hu_HU" -> 1250, "" -> 1252).
std::int32_t DefaultAnsiCodePage(const std::string& localeId);

// The byte <-> UTF-16 tables of one code page; they live for the process.
class TCodePageTable {
 public:
  std::int32_t CodePage() const noexcept { return codePage_; }
  char16_t ToWide(unsigned char c) const noexcept { return toWide_[c]; }
  // '?' for a unit the code page cannot hold.
  char FromWide(char16_t c) const noexcept {
    const unsigned char b = fromWide_[c];
    return b != 0 || c == 0 ? static_cast<char>(b) : '?';
  }
  // REQUIRES: capacity >= text.size(). Returns the units written.
  std::size_t ToWide(std::string_view text, char16_t* out) const noexcept;

 private:
  friend const TCodePageTable& CodePageTable(std::int32_t);
  std::int32_t codePage_ = 0;
  char16_t toWide_[256] = {};
  unsigned char fromWide_[65536] = {};
};

// REQUIRES: IsSupportedCodePage(codePage) (else raises EConvertError).
const TCodePageTable& CodePageTable(std::int32_t codePage);
inline const TCodePageTable& AnsiCodePageTable() { return CodePageTable(AnsiCodePage()); }

std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view text, std::int32_t codePage);
std::string WideToAnsi(std::u16string_view text, std::int32_t codePage);

std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
std::u16string WideUpperCase(std::u16string_view text);
std::u16string WideLowerCase(std::u16string_view text);

// UTF-8 for messages and ICU results; invalid sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

}  // namespace platform
