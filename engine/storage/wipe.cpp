#include "engine/storage/wipe.h"

#include <atomic>
#include <cstring>

namespace halvex {
namespace {

std::atomic<bool> wipeEnabled{false};

}  // namespace

bool WipeEnabled() noexcept { return wipeEnabled.load(std::memory_order_relaxed); }

void SetWipeEnabled(bool enabled) noexcept { wipeEnabled.store(enabled, std::memory_order_relaxed); }

void WipeBytes(void* data, std::size_t size) noexcept {
  if (data != nullptr && size > 0 && WipeEnabled()) ::explicit_bzero(data, size);
}

}  // namespace halvex
