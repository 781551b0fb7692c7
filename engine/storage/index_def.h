#pragma once
// THalvexIndexDef (one B-tree index over columns) and THalvexIndexDefs, with
// the lookup of an index by its leading columns.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/meta_object_def.h"

namespace halvex {

struct THalvexIndexColumn {
  std::string FieldName;
  std::uint8_t Descending = 0;
  std::uint8_t CaseInsensitive = 0;
};

class THalvexIndexDef : public THalvexMetaObjectDef {
 public:
  void Assign(const THalvexMetaObjectDef& source) override;
  const char* ClassName() const noexcept override { return "THalvexIndexDef"; }

  std::uint8_t IndexKind = 0;  // 0: the B-tree
  // Owned; resizing creates or frees columns at the end.
  std::vector<THalvexIndexColumn> Columns;
  std::uint8_t Unique = 0;
  std::uint8_t Primary = 0;
  std::int32_t RootPageNo = -1;  // -1 while the index has no pages
  std::uint8_t Temporary = 0;    // not stored; a loaded index is never temporary
};

class THalvexIndexDefs : public THalvexMetaObjectDefs {
 public:
  THalvexMetaObjectDef* InternalAddCreated(const THalvexMetaObjectDef* like) override;
  const char* ClassName() const noexcept override { return "THalvexIndexDefs"; }
  // Raise "Invalid item number" (10437) outside the list.
  virtual THalvexIndexDef* GetItem(std::int32_t index) const;
  // Frees the definition replaced.
  virtual void SetItem(std::int32_t index, std::unique_ptr<THalvexIndexDef> definition);

  THalvexIndexDef* Items(std::int32_t index) const { return static_cast<THalvexIndexDef*>(THalvexMetaObjectDefs::Items(index)); }
  // The first definition with Primary set, or null.
  THalvexIndexDef* PrimaryIndex() const;
};

// The ObjectID of the first index whose leading columns match names (equal
// ignoring case), directions ("ASC" ascending, "DESC" descending, other texts
// either) and case options ("CASE" case-sensitive, "NO_CASE"
// case-insensitive, other texts either); -1 when none matches.
// A missing list raises "Nil pointer occured" (10389 names, 10390
// directions, 10391 case options); no index list gives -1;
// lists of different lengths raise "Error - different lists length. L1 = %d,
// L2 = %d" (10276 names/directions, 10277 names/case options).
std::int32_t FindIndexByColumns(const THalvexIndexDefs* indexes, const std::vector<std::string>* names,
                                const std::vector<std::string>* directions,
                                const std::vector<std::string>* caseOptions);

}  // namespace halvex
