#pragma once
// The process-wide list of database data objects and the engine's start-up
// and shutdown.
//
// StartEngine creates, in this order, the database list, the in-memory
// database "MEMORY", the temporary database "TEMP", the session list and the
// session "Default". StopEngine frees the session list (every session
// component, last first), then every database data object still listed,
// then the list. Both are called once per process life, from one thread
// (the album's main, the shell's main, a test environment);
// THalvexEngineScope pairs them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/threads.h"

namespace halvex {

class THalvexDatabaseData;
enum class THalvexDatabaseKind : std::uint8_t;

class THalvexDatabaseList {
 public:
  THalvexDatabaseList() = default;
  THalvexDatabaseList(const THalvexDatabaseList&) = delete;
  THalvexDatabaseList& operator=(const THalvexDatabaseList&) = delete;
  ~THalvexDatabaseList();

  // The list lock: held for the whole of a lookup, connect, disconnect,
  // create and temporary attachment. Recursive.
  platform::TCriticalSection& Lock() noexcept { return lock_; }

  // Every operation below takes the lock itself.
  void Add(THalvexDatabaseData& database);
  void Remove(THalvexDatabaseData& database) noexcept;
  // The first database data of that kind whose name hash equals the hash of
  // `name` (upper-cased CRC-32), or null.
  THalvexDatabaseData* Find(THalvexDatabaseKind kind, std::string_view name);
  std::int32_t Count();
  THalvexDatabaseData* Items(std::int32_t index);

 private:
  platform::TCriticalSection lock_;
  // Guarded by lock_. Not owned: each database removes itself when freed.
  std::vector<THalvexDatabaseData*> databases_;
};

void StartEngine();
void StopEngine();
bool EngineStarted() noexcept;

// The list exists exactly while the engine runs.
// REQUIRES: the engine is started (std::logic_error otherwise: a programmer error).
THalvexDatabaseList& DatabaseList();

class THalvexEngineScope {
 public:
  THalvexEngineScope() { StartEngine(); }
  ~THalvexEngineScope() { StopEngine(); }
  THalvexEngineScope(const THalvexEngineScope&) = delete;
  THalvexEngineScope& operator=(const THalvexEngineScope&) = delete;
};

}  // namespace halvex
