#pragma once
// The user's locale: the one place the platform reads it. Collation, case
// mapping, the default ANSI code page and the default format settings all
// follow it. It is taken once from the process environment (LC_ALL, then
// LC_COLLATE, then LANG, as the C library does) and an application or a test
// may replace it. Names are ICU locale ids ("hu_HU", "en_US"); the C and
// POSIX locales are the empty name.
//
// Thread safety: every function may be called from any thread. Services that
// cache locale-dependent objects compare LocaleGeneration() with the value
// they cached to notice a change.

#include <cstdint>
#include <string>

namespace platform {

// The current user locale id; "" for the C/POSIX locale.
std::string UserLocale();
// Replaces the user locale ("" or "C" or "POSIX" select the C/POSIX locale).
// An encoding or modifier suffix ("hu_HU.UTF-8@euro") is dropped.
void SetUserLocale(const std::string& name);
// Increases on every SetUserLocale.
std::uint32_t LocaleGeneration() noexcept;

// The id of a POSIX locale name: "hu_HU.UTF-8" -> "hu_HU", "C"/"POSIX" -> "".
std::string LocaleIdFromPosixName(const std::string& name);

}  // namespace platform
