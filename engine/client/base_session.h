#pragma once
// Engine sessions: the connection of one client to one database of the engine.
//
// THalvexBaseSession owns the connection parameters and the per-session last
// values of sequences; THalvexLocalSession (local_session.h) connects to the
// database data objects of this process.
//
// A session is used by one client thread at a time; the database list lock
// (database_list.h) guards connecting and disconnecting.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class TStringList;
}

namespace halvex {

class THalvexDatabaseData;
class THalvexStream;

class THalvexSessionNamedObject {
 public:
  explicit THalvexSessionNamedObject(std::string name) : Name(std::move(name)) {}
  virtual ~THalvexSessionNamedObject() = default;
  std::string Name;
};

class THalvexSessionNamedObjectSequenceValue : public THalvexSessionNamedObject {
 public:
  THalvexSessionNamedObjectSequenceValue(std::string name, std::int64_t value)
      : THalvexSessionNamedObject(std::move(name)), Value(value) {}
  std::int64_t Value;
};

class THalvexBaseSession {
 public:
  THalvexBaseSession() = default;
  THalvexBaseSession(const THalvexBaseSession&) = delete;
  THalvexBaseSession& operator=(const THalvexBaseSession&) = delete;
  virtual ~THalvexBaseSession();

  // --- virtual operations, in slot order ---------------------------------
  virtual bool IsConnected() const = 0;
  virtual void SetConnected(bool connected) = 0;
  virtual void CreateDatabase() = 0;
  virtual void ReservedNoArgument() {}
  virtual void ReservedText(std::string_view) {}
  // The disk-database group: the engine's database data answer them with
  // fixed results (see THalvexDatabaseData).
  virtual void OpenDatabaseFiles() = 0;                         // 11235 when not connected
  virtual bool DatabaseFilesExist() = 0;                        // attaches like GetTableNames
  virtual std::int64_t DatabaseVersion() = 0;                   // attaches like GetTableNames
  virtual bool IsDatabaseEncrypted() = 0;                       // attaches like GetTableNames
  virtual void RepairDatabase() = 0;                            // temporary attachment
  virtual void CompactDatabase() = 0;                           // temporary attachment
  virtual void ChangeDatabasePassword(std::string_view) = 0;    // temporary attachment
  virtual bool DatabaseExists() = 0;
  virtual void GetTableNames(platform::TStringList& list) = 0;
  virtual bool TableExists(std::string_view tableName) = 0;
  virtual void LoadDatabaseFromStream(THalvexStream& stream) = 0;
  virtual void SaveDatabaseToStream(THalvexStream& stream, std::uint8_t compressionAlgorithm,
                                    std::uint8_t compressionMode, std::int64_t sizeValue) = 0;
  virtual void UpgradeDatabase() = 0;                           // temporary attachment
  virtual void VerifyDatabase() = 0;                            // temporary attachment
  virtual void BackupDatabase(std::string_view) = 0;            // temporary attachment
  virtual bool InTransaction() const = 0;
  virtual void StartTransaction() = 0;
  virtual void Commit(bool flushBuffers) = 0;
  virtual void Rollback() = 0;
  // Raise "Error - operation is not supported" (10888, 10889, 10890).
  virtual void LockDatabase();
  virtual void UnlockDatabase();
  virtual void ExecuteCommand(std::string_view command);
  // Do nothing in the base.
  virtual void SetLockTimeout(std::int32_t, std::int32_t) {}
  virtual void Idle() {}
  virtual void ReleaseSessionLocks() {}
  virtual void ReleasePages() {}

  // The database data this session is attached to, or null. Not owned.
  virtual THalvexDatabaseData* DatabaseData() const noexcept = 0;

  // --- per-session sequence values ---------------------------------------
  // The value object whose name equals `name` exactly (case-sensitive), or null.
  THalvexSessionNamedObjectSequenceValue* FindSequenceValue(std::string_view name) const noexcept;
  // Updates the named value or appends a new one.
  void SetSequenceValue(std::string_view name, std::int64_t value);

  // --- connection parameters ---------------------------------------------
  std::string DatabaseName;
  std::string DatabaseFileName;        // the database name for in-memory and temporary databases
  std::u16string DatabaseFileNameUnicode;
  std::int32_t SessionID = -1;         // given by the database when connecting
  bool ReadOnly = false;
  bool Temporary = false;
  bool InMemory = false;

 private:
  // In the order of first use; searched linearly.
  std::vector<std::unique_ptr<THalvexSessionNamedObjectSequenceValue>> sequenceValues_;
};

}  // namespace halvex
