#include "engine/storage/wipe.h"

#include <atomic>

namespace halvex {
namespace {
std::atomic<bool> gWipe{false};
}

bool WipeEnabled() noexcept { return gWipe.load(std::memory_order_relaxed); }
void SetWipeEnabled(bool enabled) noexcept { gWipe.store(enabled, std::memory_order_relaxed); }

}  // namespace halvex
