#pragma once
// Synchronisers: one interface (begin reading, begin writing, end) with two
// implementations. Waiting threads yield the processor in a loop; no kernel
// object is created per wait and nothing times out.
//
// THalvexReadWriteThreadSyncByCriticalSections: many readers or one writer;
// re-entry is counted per thread; a thread that is the only holder may upgrade
// from reading to writing; a writer may read and write again; readers are
// admitted while a writer waits. Two readers that both try to upgrade wait for
// each other forever: callers never upgrade while another thread may read.
//
// THalvexReadWriteThreadSyncBySingleCriticalSection: reading and writing are
// both exclusive; the holder may re-enter.
//
// Every BeginRead or BeginWrite is paired with one EndAccess on the same
// thread; use THalvexSyncHold to keep the pairing on every path.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/threads.h"

namespace halvex {

class THalvexIntegerArray;
class THalvexInt64Array;

class THalvexReadWriteThreadSync {
 public:
  THalvexReadWriteThreadSync();
  THalvexReadWriteThreadSync(const THalvexReadWriteThreadSync&) = delete;
  THalvexReadWriteThreadSync& operator=(const THalvexReadWriteThreadSync&) = delete;
  virtual ~THalvexReadWriteThreadSync();

  virtual void BeginRead() = 0;
  virtual void BeginWrite() = 0;
  // Gives up one hold of the calling thread.
  virtual void EndAccess() = 0;

  // Records the guarded object for diagnostics (not owned).
  void Bind(const void* guardedObject, std::string className);
  const void* GuardedObject() const noexcept { return guardedObject_; }
  const std::string& GuardedClassName() const noexcept { return guardedClassName_; }

 private:
  const void* guardedObject_ = nullptr;  // not owned
  std::string guardedClassName_ = "NULL Pointer";
};

class THalvexReadWriteThreadSyncByCriticalSections final : public THalvexReadWriteThreadSync {
 public:
  THalvexReadWriteThreadSyncByCriticalSections();
  ~THalvexReadWriteThreadSyncByCriticalSections() override;

  void BeginRead() override;
  void BeginWrite() override;
  // Raises 11638 ("Invalid item number...") when the caller holds nothing.
  void EndAccess() override;

  // Snapshots for diagnostics and tests, each read under the guard.
  std::int32_t State() const;
  std::int32_t WaitingReaders() const;
  std::int32_t WaitingWriters() const;
  std::int32_t OwnerCount() const;
  // How often the calling thread holds it (0 when it does not).
  std::int64_t HoldCount() const;

 private:
  std::int32_t FindOwner(std::int32_t threadId) const;  // REQUIRES: guard_ held
  void AddOwner(std::int32_t threadId);                 // REQUIRES: guard_ held

  mutable platform::TCriticalSection guard_;
  // All below guarded by guard_.
  std::int32_t waitingReaders_ = 0;
  std::int32_t waitingWriters_ = 0;
  std::int32_t state_ = 0;  // 0 free, n > 0 readers, -1 a writer
  std::unique_ptr<THalvexIntegerArray> owners_;   // thread ids of the holders
  std::unique_ptr<THalvexInt64Array> holdCounts_;  // parallel to owners_
};

class THalvexReadWriteThreadSyncBySingleCriticalSection final : public THalvexReadWriteThreadSync {
 public:
  void BeginRead() override { section_.Enter(); }
  void BeginWrite() override { section_.Enter(); }
  void EndAccess() override { section_.Leave(); }

 private:
  platform::TCriticalSection section_;
};

// Holds a synchroniser for reading or writing for the lifetime of the hold.
class THalvexSyncHold {
 public:
  enum class Mode : std::uint8_t { Read, Write };
  THalvexSyncHold(THalvexReadWriteThreadSync& sync, Mode mode) : sync_(sync) {
    if (mode == Mode::Read)
      sync_.BeginRead();
    else
      sync_.BeginWrite();
  }
  // EndAccess cannot fail here: this thread holds what the constructor began.
  ~THalvexSyncHold() { sync_.EndAccess(); }
  THalvexSyncHold(const THalvexSyncHold&) = delete;
  THalvexSyncHold& operator=(const THalvexSyncHold&) = delete;

 private:
  THalvexReadWriteThreadSync& sync_;
};

}  // namespace halvex
