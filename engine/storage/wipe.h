#pragma once
namespace halvex {
// Engine-wide switch, off at start: buffers holding user data are overwritten with zeros before they are freed.
bool WipeEnabled() noexcept;
void SetWipeEnabled(bool enabled) noexcept;
}
