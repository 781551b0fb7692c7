#pragma once
// Threads and time: a re-entrant critical section with a scoped guard, the
// calling thread's identifier, yielding the processor and a steady tick count.

#include <cstdint>
#include <mutex>

namespace platform {

// A critical section that the thread holding it may enter again; each Enter
// needs one Leave. Not copyable or movable: owners embed it by value.
class TCriticalSection {
 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }

  // BasicLockable, so std::lock_guard and std::unique_lock accept it.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the lifetime of the guard.
class TCriticalSectionGuard {
 public:
  explicit TCriticalSectionGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~TCriticalSectionGuard() { section_.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

 private:
  TCriticalSection& section_;
};

// The operating system's identifier of the calling thread: positive, unique
// among the live threads of the process, and stable for the thread's life.
std::int32_t GetCurrentThreadId() noexcept;

// Gives up the rest of the time slice (the equivalent of sleeping 0 ms).
void ThreadYield() noexcept;

// Milliseconds since an arbitrary fixed point, from a steady clock; wraps
// around after about 49.7 days like the 32-bit tick count it stands in for.
std::uint32_t GetTickCount() noexcept;
// The same clock without wrap-around.
std::uint64_t GetTickCount64() noexcept;

}  // namespace platform
