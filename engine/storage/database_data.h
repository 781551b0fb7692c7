#pragma once
// THalvexDatabaseData: the catalogue of the tables of one database and the
// registry of the engine sessions that use it. Subclasses hold the storage
// kind: in memory (memory_database_data.h) or temporary.
//
// Owns its table data objects. Registered with the process-wide database
// list (engine/client/database_list.h) by whoever creates it; the destructor
// removes it from there.
//
// Thread safety: the database lock guards the table and session lists; the
// tables guard their own contents.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/access/read_write_sync.h"
#include "engine/storage/sequence_def.h"

namespace platform {
class TStringList;
}

namespace halvex {

class THalvexBaseSession;
class THalvexCursor;
class THalvexStream;
class THalvexTableData;

enum class THalvexDatabaseKind : std::uint8_t { InMemory, Temporary };

class THalvexDatabaseData {
 public:
  THalvexDatabaseData(THalvexDatabaseKind kind, std::string name);
  THalvexDatabaseData(const THalvexDatabaseData&) = delete;
  THalvexDatabaseData& operator=(const THalvexDatabaseData&) = delete;
  // Frees the tables and removes the database from the process-wide list.
  virtual ~THalvexDatabaseData();

  // --- virtual operations, in slot order ---------------------------------
  virtual void RegisterSession(THalvexBaseSession& session);
  virtual void UnregisterSession(THalvexBaseSession& session);
  virtual void ReleaseDatabase() {}
  virtual void GetTableNames(platform::TStringList& list);
  virtual bool TableExists(std::string_view tableName);
  virtual void LoadDatabase(THalvexBaseSession& session, THalvexStream& stream) = 0;
  virtual void SaveDatabase(THalvexBaseSession& session, THalvexStream& stream, std::uint8_t compressionAlgorithm,
                            std::uint8_t compressionMode, std::int64_t sizeValue) = 0;
  virtual void CreateStorage() {}
  virtual THalvexTableData* CreateTableData(THalvexCursor& cursor) = 0;
  virtual THalvexTableData* FindTableData(THalvexCursor& cursor);
  virtual THalvexTableData* GetTableData(THalvexCursor& cursor);
  // Hooks of disk databases, answered with fixed results.
  virtual void OpenFiles() {}
  virtual double Version() { return 0.0; }
  virtual std::int64_t FileSize() { return 0; }
  virtual std::int32_t PageSize() { return 0; }
  virtual bool IsEncrypted() { return false; }
  virtual bool Repair() { return true; }
  virtual bool Compact() { return true; }
  virtual void ChangePassword(std::string_view) {}
  virtual void Flush() {}
  virtual bool IsReadOnlyFile() { return false; }
  virtual void GetSessionTableLocks(THalvexBaseSession&, platform::TStringList&) {}
  virtual bool LockTable(std::string_view, THalvexBaseSession&, std::int32_t /*lockState*/, std::int32_t /*mode*/) {
    return true;
  }
  virtual bool UnlockTable(std::string_view, THalvexBaseSession&, std::int32_t /*lockState*/) { return true; }
  virtual void ReleaseSessionLocks(THalvexBaseSession&) {}

  // --- catalogue ------------------------------------------------------------
  THalvexDatabaseKind Kind() const noexcept { return kind_; }
  bool InMemory() const noexcept { return kind_ == THalvexDatabaseKind::InMemory; }
  bool Temporary() const noexcept { return kind_ == THalvexDatabaseKind::Temporary; }
  const std::string& DatabaseName() const noexcept { return name_; }
  // CRC-32 of the upper-cased name, as tables are hashed.
  std::uint32_t DatabaseNameHash() const noexcept { return nameHash_; }
  // Number of registered sessions, read under the database lock.
  std::int32_t SessionCount();
  // Next value of the object-ID sequence; a value beyond int32 is a range error.
  std::int32_t NextObjectID();
  // Raises the counter to `value` when that is larger (loading a table).
  void RaiseObjectIDCounter(std::int64_t value);
  std::int64_t ObjectIDCounter();

  THalvexReadWriteThreadSync& DatabaseLock() noexcept { return *databaseLock_; }

 protected:
  // Guarded by the database lock.
  std::vector<THalvexBaseSession*> sessions_;                 // not owned
  std::vector<std::unique_ptr<THalvexTableData>> tables_;     // catalogue order

 private:
  const THalvexDatabaseKind kind_;
  const std::string name_;
  const std::uint32_t nameHash_;
  std::unique_ptr<THalvexReadWriteThreadSync> databaseLock_;
  THalvexSequenceDef objectIDSequence_;
};

}  // namespace halvex
