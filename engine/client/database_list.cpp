#include "engine/client/database_list.h"

#include <algorithm>
#include <stdexcept>

#include "engine/storage/crc32.h"
#include "engine/storage/database_data.h"

namespace halvex {

namespace {
// Set by StartEngine, cleared by StopEngine; both run on one thread while no
// other engine work is under way.
THalvexDatabaseList* gDatabaseList = nullptr;
}  // namespace

namespace detail {
void SetDatabaseList(THalvexDatabaseList* list) noexcept { gDatabaseList = list; }
}  // namespace detail

THalvexDatabaseList::~THalvexDatabaseList() = default;

void THalvexDatabaseList::Add(THalvexDatabaseData& database) {
  platform::TCriticalSectionGuard hold(lock_);
  databases_.push_back(&database);
}

void THalvexDatabaseList::Remove(THalvexDatabaseData& database) noexcept {
  platform::TCriticalSectionGuard hold(lock_);
  auto it = std::find(databases_.begin(), databases_.end(), &database);
  if (it != databases_.end()) databases_.erase(it);
}

THalvexDatabaseData* THalvexDatabaseList::Find(THalvexDatabaseKind kind, std::string_view name) {
  const std::uint32_t hash = NameHash(name);
  platform::TCriticalSectionGuard hold(lock_);
  for (THalvexDatabaseData* database : databases_)
    if (database->Kind() == kind && database->DatabaseNameHash() == hash) return database;
  return nullptr;
}

std::int32_t THalvexDatabaseList::Count() {
  platform::TCriticalSectionGuard hold(lock_);
  return static_cast<std::int32_t>(databases_.size());
}

THalvexDatabaseData* THalvexDatabaseList::Items(std::int32_t index) {
  platform::TCriticalSectionGuard hold(lock_);
  if (index < 0 || static_cast<std::size_t>(index) >= databases_.size()) return nullptr;
  return databases_[static_cast<std::size_t>(index)];
}

bool EngineStarted() noexcept { return gDatabaseList != nullptr; }

THalvexDatabaseList& DatabaseList() {
  if (!gDatabaseList) throw std::logic_error("the engine is not started");
  return *gDatabaseList;
}

}  // namespace halvex
