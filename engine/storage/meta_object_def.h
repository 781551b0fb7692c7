#pragma once
// THalvexMetaObjectDef, the base of every schema definition, and
// THalvexMetaObjectDefs, the owning ordered list that field, index,
// constraint and sequence lists derive from.
//
// Names are looked up ignoring case: both sides are upper-cased with the
// locale-aware platform function and the first match wins.
//
// The stream operations (LoadFromStream and SaveToStream, slots 2 and 3 of a
// definition and 4 and 5 of a list) join with the table stream format.
//
// Not thread-safe: definitions are guarded by their table's locks.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/access/sorted_string_ptr_array.h"

namespace halvex {

class THalvexMetaObjectDef {
 public:
  static constexpr std::size_t kMaxNameLength = 255;

  THalvexMetaObjectDef() = default;
  THalvexMetaObjectDef(const THalvexMetaObjectDef&) = delete;
  THalvexMetaObjectDef& operator=(const THalvexMetaObjectDef&) = delete;
  virtual ~THalvexMetaObjectDef() = default;

  // Copies the base members; subclasses copy theirs after calling it.
  // REQUIRES: source is of this definition's class (or derived from it).
  virtual void Assign(const THalvexMetaObjectDef& source);

  const std::string& Name() const noexcept { return name_; }
  // A name is a short string: longer names keep their first 255 characters.
  void SetName(std::string_view name);

  std::int32_t ObjectID = -1;  // from the database's object-ID sequence; -1 until assigned
  // Copied by Assign, never stored.
  std::string AuxName;
  std::int32_t AuxID = -1;

  // The class name shown in messages.
  virtual const char* ClassName() const noexcept { return "THalvexMetaObjectDef"; }

 private:
  std::string name_;
};

class THalvexMetaObjectDefs {
 public:
  THalvexMetaObjectDefs() = default;
  THalvexMetaObjectDefs(const THalvexMetaObjectDefs&) = delete;
  THalvexMetaObjectDefs& operator=(const THalvexMetaObjectDefs&) = delete;
  virtual ~THalvexMetaObjectDefs();

  // --- virtual operations, in slot order ---------------------------------
  virtual std::int32_t Count() const noexcept { return items_.Count(); }
  // Takes ownership; returns the index.
  virtual std::int32_t Add(std::unique_ptr<THalvexMetaObjectDef> definition);
  // Creates a definition of the list's class, adds it and returns it; like,
  // when given, is the definition it will be assigned from (the constraint
  // list picks the class by its type). The base list raises "The method
  // '%s' not overrided in class '%s'" (30339).
  virtual THalvexMetaObjectDef* InternalAddCreated(const THalvexMetaObjectDef* like);
  // Clears the list and copies every definition of other; a name present
  // twice raises "Duplicate field name %s" (10424), leaving the definitions
  // copied before it.
  // REQUIRES: other holds definitions of this list's kind (field lists are
  // assigned field lists, and so on).
  virtual void Assign(const THalvexMetaObjectDefs& other);
  // Frees the definition. Indexes outside the list raise "Invalid item
  // number - ItemNo = %d, ItemCount = %d" (10433 Delete, 10434 Insert, 10435 Move).
  virtual void Delete(std::int32_t index);
  virtual void Insert(std::int32_t index, std::unique_ptr<THalvexMetaObjectDef> definition);
  virtual void Move(std::int32_t currentIndex, std::int32_t newIndex);
  virtual void Clear();

  virtual const char* ClassName() const noexcept { return "THalvexMetaObjectDefs"; }

  // Raises "Invalid item number" (10436) outside the list.
  THalvexMetaObjectDef* Items(std::int32_t index) const;
  std::int32_t IndexOfName(std::string_view name) const;
  THalvexMetaObjectDef* FindByName(std::string_view name) const;
  std::int32_t IndexOfObjectID(std::int32_t id) const;
  THalvexMetaObjectDef* FindByObjectID(std::int32_t id) const;

 protected:
  void CheckIndex(std::int32_t index, std::int32_t limit, std::int32_t code) const;

 private:
  // Owns every definition it points to.
  THalvexSortedStringPtrArray items_;
};

}  // namespace halvex
