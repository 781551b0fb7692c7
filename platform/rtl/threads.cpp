#include "platform/rtl/threads.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

namespace platform {

std::int32_t GetCurrentThreadId() noexcept {
  // The kernel thread id: unlike std::thread::id it is a small integer that
  // the engine can keep in its 32-bit owner lists.
  thread_local const std::int32_t id = static_cast<std::int32_t>(::syscall(SYS_gettid));
  return id;
}

void ThreadYield() noexcept { ::sched_yield(); }

std::uint64_t GetTickCount64() noexcept {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint32_t GetTickCount() noexcept { return static_cast<std::uint32_t>(GetTickCount64()); }

}  // namespace platform
