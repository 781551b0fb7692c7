#pragma once
// The constraint definitions and their list.
//
//   type  class                                  meaning
//   0     THalvexConstraintDefPrimary (Unique)   primary key
//   1     THalvexConstraintDefForeignKey (Action) foreign key of the referencing table
//   2     THalvexConstraintDefUnique             unique key
//   3     THalvexConstraintDefNotNull            one column must not be null
//   4     THalvexConstraintDefCheck              one column within [MinValue, MaxValue]
//   5     THalvexConstraintDefForeignKeyAction   the mirror, held by the referenced table
//
// Action value 4 means the key has no action of that kind.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/access/variant.h"
#include "engine/storage/meta_object_def.h"

namespace halvex {

inline constexpr std::uint8_t kConstraintPrimary = 0;
inline constexpr std::uint8_t kConstraintForeignKey = 1;
inline constexpr std::uint8_t kConstraintUnique = 2;
inline constexpr std::uint8_t kConstraintNotNull = 3;
inline constexpr std::uint8_t kConstraintCheck = 4;
inline constexpr std::uint8_t kConstraintForeignKeyAction = 5;
inline constexpr std::uint8_t kNoAction = 4;

struct THalvexNameAndID {
  std::string Name;  // a short string (255 characters at most when stored)
  std::int32_t ID = -1;
  bool operator==(const THalvexNameAndID&) const = default;
};

class THalvexConstraintDef : public THalvexMetaObjectDef {
 public:
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDef"; }
  // Fixed by the class, so that the type always tells the class.
  std::uint8_t ConstraintType() const noexcept { return constraintType_; }

 protected:
  explicit THalvexConstraintDef(std::uint8_t type) : constraintType_(type) {}

 private:
  std::uint8_t constraintType_;
};

// NOT NULL: kept, table and field pairs.
class THalvexConstraintDefNotNull : public THalvexConstraintDef {
 public:
  THalvexConstraintDefNotNull() : THalvexConstraintDef(kConstraintNotNull) {}
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDefNotNull"; }
  THalvexNameAndID Reserved;  // stored, not used by the checks
  THalvexNameAndID Table;
  THalvexNameAndID Field;  // the field's name and ObjectID
};

// CHECK: the range check of one column; a null bound is not checked.
class THalvexConstraintDefCheck : public THalvexConstraintDef {
 public:
  THalvexConstraintDefCheck() : THalvexConstraintDef(kConstraintCheck) {}
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDefCheck"; }
  THalvexNameAndID Reserved;
  THalvexNameAndID Table;
  THalvexNameAndID Field;
  THalvexVariant MinValue;  // owned
  THalvexVariant MaxValue;  // owned
};

class THalvexConstraintDefUnique : public THalvexConstraintDef {
 public:
  THalvexConstraintDefUnique() : THalvexConstraintDef(kConstraintUnique) {}
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDefUnique"; }
  THalvexNameAndID Reserved;
  THalvexNameAndID Table;
  THalvexNameAndID Index;  // the index that enforces the key
  std::vector<THalvexNameAndID> Columns;  // field names and ObjectIDs

 protected:
  explicit THalvexConstraintDefUnique(std::uint8_t type) : THalvexConstraintDef(type) {}
};

class THalvexConstraintDefPrimary : public THalvexConstraintDefUnique {
 public:
  THalvexConstraintDefPrimary() : THalvexConstraintDefUnique(kConstraintPrimary) {}
  const char* ClassName() const noexcept override { return "THalvexConstraintDefPrimary"; }
};

class THalvexConstraintDefForeignKeyAction : public THalvexConstraintDef {
 public:
  THalvexConstraintDefForeignKeyAction() : THalvexConstraintDef(kConstraintForeignKeyAction) {}
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDefForeignKeyAction"; }
  THalvexNameAndID OtherTable;  // referenced table of a key; referencing table of a mirror
  THalvexNameAndID Partner;     // the partner constraint in the other table
  std::uint8_t DeleteAction = kNoAction;
  std::uint8_t UpdateAction = kNoAction;
  std::uint8_t MatchType = 0;
  std::vector<THalvexNameAndID> Columns;

 protected:
  explicit THalvexConstraintDefForeignKeyAction(std::uint8_t type) : THalvexConstraintDef(type) {}
};

class THalvexConstraintDefForeignKey : public THalvexConstraintDefForeignKeyAction {
 public:
  THalvexConstraintDefForeignKey() : THalvexConstraintDefForeignKeyAction(kConstraintForeignKey) {}
  const char* ClassName() const noexcept override { return "THalvexConstraintDefForeignKey"; }
};

// A new constraint definition of the class for type; above 5 raises
// "Not implemented yet" with code.
std::unique_ptr<THalvexConstraintDef> CreateConstraintDef(std::uint8_t type, std::int32_t code);

class THalvexConstraintDefs : public THalvexMetaObjectDefs {
 public:
  std::int32_t Add(std::unique_ptr<THalvexMetaObjectDef> definition) override;
  // Creates the class matching like's ConstraintType (30035 above 5); without
  // like, a NOT NULL definition.
  THalvexMetaObjectDef* InternalAddCreated(const THalvexMetaObjectDef* like) override;
  void Assign(const THalvexMetaObjectDefs& other) override;
  void Delete(std::int32_t index) override;
  void Insert(std::int32_t index, std::unique_ptr<THalvexMetaObjectDef> definition) override;
  void Clear() override;
  const char* ClassName() const noexcept override { return "THalvexConstraintDefs"; }

  THalvexConstraintDef* Items(std::int32_t index) const {
    return static_cast<THalvexConstraintDef*>(THalvexMetaObjectDefs::Items(index));
  }
  bool HasForeignKeys() const noexcept { return hasForeignKeys_; }
  bool HasForeignKeyActions() const noexcept { return hasForeignKeyActions_; }
  // Some mirror (type 5) has a delete (update) action other than 4.
  bool HasDeleteActions() const;
  bool HasUpdateActions() const;

 private:
  void NoteAdded(const THalvexMetaObjectDef& definition) noexcept;
  void RebuildFlags() noexcept;

  bool hasForeignKeys_ = false;
  bool hasForeignKeyActions_ = false;
};

}  // namespace halvex
