#include "engine/storage/object_names.h"

#include "engine/storage/constraint_def.h"
#include "engine/storage/exception.h"
#include "platform/rtl/random.h"
#include "platform/rtl/threads.h"

namespace halvex {
namespace {

// base, or base followed by a random number below 65535 while that is taken.
std::string FreeName(const std::string& base, const THalvexMetaObjectDefs& list) {
  std::string name = base;
  while (list.IndexOfName(name) >= 0) name = base + std::to_string(platform::Random(65535));
  return name;
}

std::string Compose(std::string_view kind, std::string_view table, std::string_view column) {
  std::string name = "$";
  name += kind;
  name += '$';
  name += table;
  name += '$';
  name += column;
  return name;
}

}  // namespace

std::string UniqueNameSuffix() {
  const auto mixed = static_cast<std::uint32_t>(platform::Random(INT32_MAX)) ^
                     static_cast<std::uint32_t>(platform::Random(INT32_MAX)) ^ platform::GetTickCount() ^
                     platform::GetTickCount();
  return std::to_string(mixed) + "-" + std::to_string(platform::GetCurrentThreadId());
}

std::string AutoIncSequenceName(std::string_view table, std::string_view column, const THalvexMetaObjectDefs& list) {
  return FreeName(Compose("S_Autoinc", table, column), list);
}

std::string LinkedSequenceName(std::string_view table, std::string_view column, const THalvexMetaObjectDefs& list) {
  return FreeName(Compose("S_Linked", table, column), list);
}

std::string ForeignKeyActionName(std::string_view foreignKeyName, const THalvexMetaObjectDefs& list) {
  const std::string name = std::string(foreignKeyName) + "_Action";
  if (list.IndexOfName(name) < 0) return name;
  std::string candidate;
  do {
    candidate = name + "_" + UniqueNameSuffix();
  } while (list.IndexOfName(candidate) >= 0);
  return candidate;
}

void NameUnnamedConstraint(THalvexConstraintDef& constraint, const THalvexConstraintDefs& list) {
  switch (constraint.ConstraintType()) {
    case kConstraintNotNull: {
      auto& c = static_cast<THalvexConstraintDefNotNull&>(constraint);
      c.SetName(FreeName(Compose("C_NotNull", c.Table.Name, c.Field.Name), list));
      return;
    }
    case kConstraintCheck: {
      auto& c = static_cast<THalvexConstraintDefCheck&>(constraint);
      c.SetName(FreeName(Compose("C_Check", c.Table.Name, c.Field.Name), list));
      return;
    }
    case kConstraintForeignKey: {
      std::string name;
      do {
        name = "FOREIGN_KEY_" + UniqueNameSuffix();
      } while (list.IndexOfName(name) >= 0);
      constraint.SetName(name);
      return;
    }
    case kConstraintForeignKeyAction: {
      auto& c = static_cast<THalvexConstraintDefForeignKeyAction&>(constraint);
      if (c.Partner.Name.empty()) {
        // A mirror without its key yet is named like an unnamed key.
        std::string name;
        do {
          name = "FOREIGN_KEY_" + UniqueNameSuffix();
        } while (list.IndexOfName(name) >= 0);
        c.SetName(name);
      } else {
        c.SetName(ForeignKeyActionName(c.Partner.Name, list));
      }
      return;
    }
    default:
      RaiseHalvex(30038, THalvexMessage::NotImplemented);
  }
}

}  // namespace halvex
