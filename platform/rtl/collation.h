#pragma once
// Locale collation of text, with the properties the engine's ordering needs:
//   - the user locale's alphabet (Hungarian "cs" after "c", accented letters
//     beside their base letters, ...);
//   - punctuation such as hyphen and apostrophe orders like other characters
//     and is never ignored;
//   - case-sensitive comparison uses tertiary strength (lower case before
//     upper case of the same letter); case-insensitive comparison uses
//     secondary strength: case is ignored, accents are kept.
// The collators of the user's locale are created once per locale change and
// shared; each compare converts narrow text into stack buffers, so comparing
// strings of up to kStackChars characters allocates nothing.
//
// Results follow the platform's string comparison: 1 less, 2 equal,
// 3 greater, and 0 when the comparison could not be made (no collator for the
// locale).
//
// Thread safety: every function may be called from any thread; the shared
// collators are only read.

#include <cstdint>
#include <string>

namespace platform {

inline constexpr int kCompareFailed = 0;
inline constexpr int kCompareLess = 1;
inline constexpr int kCompareEqual = 2;
inline constexpr int kCompareGreater = 3;

// Longest text compared without heap allocation.
inline constexpr std::int32_t kCollationStackChars = 256;

// Narrow text in the ANSI code page. length -1 reads up to the terminating
// zero; otherwise at most length characters are read, and never past a zero.
int CompareAnsiText(const char* a, std::int32_t lengthA, const char* b, std::int32_t lengthB, bool caseInsensitive);
// UTF-16 text, lengths in units, with the same rules.
int CompareWideText(const char16_t* a, std::int32_t lengthA, const char16_t* b, std::int32_t lengthB,
                    bool caseInsensitive);

// The locale id the shared collators were made for (after fallback), "root"
// for the C/POSIX locale. Creates them when needed.
std::string CollationLocale();

}  // namespace platform
