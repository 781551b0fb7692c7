#include "engine/access/read_write_sync.h"

#include "engine/access/growable_array.h"
#include "engine/storage/exception.h"

namespace halvex {

THalvexReadWriteThreadSync::THalvexReadWriteThreadSync() = default;
THalvexReadWriteThreadSync::~THalvexReadWriteThreadSync() = default;

void THalvexReadWriteThreadSync::Bind(const void* guardedObject, std::string className) {
  guardedObject_ = guardedObject;
  guardedClassName_ = guardedObject == nullptr ? "NULL Pointer" : std::move(className);
}

THalvexReadWriteThreadSyncByCriticalSections::THalvexReadWriteThreadSyncByCriticalSections()
    : owners_(std::make_unique<THalvexIntegerArray>(0, 100, 10)),
      holdCounts_(std::make_unique<THalvexInt64Array>(0, 100, 10)) {}

THalvexReadWriteThreadSyncByCriticalSections::~THalvexReadWriteThreadSyncByCriticalSections() = default;

std::int32_t THalvexReadWriteThreadSyncByCriticalSections::FindOwner(std::int32_t threadId) const {
  return owners_->IndexOf(threadId);
}

void THalvexReadWriteThreadSyncByCriticalSections::AddOwner(std::int32_t threadId) {
  owners_->Add(threadId);
  try {
    holdCounts_->Add(1);
  } catch (...) {
    owners_->SetCount(owners_->Count() - 1);  // keep the two lists parallel
    throw;
  }
}

void THalvexReadWriteThreadSyncByCriticalSections::BeginRead() {
  const std::int32_t self = platform::GetCurrentThreadId();
  bool firstPass = true;
  for (;;) {
    {
      platform::TCriticalSectionGuard guard(guard_);
      const std::int32_t owner = state_ != 0 ? FindOwner(self) : -1;
      if (firstPass) ++waitingReaders_;
      firstPass = false;
      if (owner >= 0 || state_ >= 0) {
        --waitingReaders_;
        if (owner >= 0) {
          ++holdCounts_->Data()[owner];
        } else {
          AddOwner(self);
          ++state_;
        }
        return;
      }
    }
    platform::ThreadYield();
  }
}

void THalvexReadWriteThreadSyncByCriticalSections::BeginWrite() {
  const std::int32_t self = platform::GetCurrentThreadId();
  bool firstPass = true;
  for (;;) {
    {
      platform::TCriticalSectionGuard guard(guard_);
      const std::int32_t owner = state_ != 0 ? FindOwner(self) : -1;
      if (firstPass) ++waitingWriters_;
      firstPass = false;
      if (state_ == 0 || (owner >= 0 && owners_->Count() == 1)) {
        --waitingWriters_;
        if (owner >= 0)
          ++holdCounts_->Data()[owner];
        else
          AddOwner(self);
        state_ = -1;
        return;
      }
    }
    platform::ThreadYield();
  }
}

void THalvexReadWriteThreadSyncByCriticalSections::EndAccess() {
  const std::int32_t self = platform::GetCurrentThreadId();
  platform::TCriticalSectionGuard guard(guard_);
  const std::int32_t owner = FindOwner(self);
  if (owner < 0) RaiseHalvex(11638, THalvexMessage::InvalidItemNumber, {self, owners_->Count()});
  if (--holdCounts_->Data()[owner] > 0) return;
  owners_->Delete(owner);
  holdCounts_->Delete(owner);
  if (state_ == -1 || state_ == 0)
    state_ = 0;
  else
    --state_;
}

std::int32_t THalvexReadWriteThreadSyncByCriticalSections::State() const {
  platform::TCriticalSectionGuard guard(guard_);
  return state_;
}

std::int32_t THalvexReadWriteThreadSyncByCriticalSections::WaitingReaders() const {
  platform::TCriticalSectionGuard guard(guard_);
  return waitingReaders_;
}

std::int32_t THalvexReadWriteThreadSyncByCriticalSections::WaitingWriters() const {
  platform::TCriticalSectionGuard guard(guard_);
  return waitingWriters_;
}

std::int32_t THalvexReadWriteThreadSyncByCriticalSections::OwnerCount() const {
  platform::TCriticalSectionGuard guard(guard_);
  return owners_->Count();
}

std::int64_t THalvexReadWriteThreadSyncByCriticalSections::HoldCount() const {
  platform::TCriticalSectionGuard guard(guard_);
  const std::int32_t owner = owners_->IndexOf(platform::GetCurrentThreadId());
  return owner < 0 ? 0 : holdCounts_->Data()[owner];
}

}  // namespace halvex
