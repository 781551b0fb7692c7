#include "platform/rtl/locale.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::string EnvironmentLocale() {
  for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LocaleIdFromPosixName(value);
  }
  return {};
}

struct LocaleState {
  std::mutex lock;
  bool initialised = false;
  std::string id;  // guarded by lock
};

LocaleState& State() {
  static LocaleState state;
  return state;
}

std::atomic<std::uint32_t> gGeneration{1};

}  // namespace

std::string LocaleIdFromPosixName(const std::string& name) {
  std::string id = name.substr(0, name.find_first_of(".@"));
  if (id == "C" || id == "POSIX") return {};
  return id;
}

std::string UserLocale() {
  LocaleState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (!state.initialised) {
    state.id = EnvironmentLocale();
    state.initialised = true;
  }
  return state.id;
}

void SetUserLocale(const std::string& name) {
  LocaleState& state = State();
  {
    std::lock_guard<std::mutex> guard(state.lock);
    state.id = LocaleIdFromPosixName(name);
    state.initialised = true;
  }
  gGeneration.fetch_add(1, std::memory_order_acq_rel);
}

std::uint32_t LocaleGeneration() noexcept { return gGeneration.load(std::memory_order_acquire); }

}  // namespace platform
