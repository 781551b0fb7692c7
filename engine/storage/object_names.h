#pragma once
// Names of the objects the engine creates itself.
//
//   sequence of an auto-increment column  $S_Autoinc$<table>$<column>
//   any other engine-made sequence        $S_Linked$<table>$<column>
//   unnamed NOT NULL constraint           $C_NotNull$<table>$<field>
//   unnamed CHECK constraint              $C_Check$<table>$<field>
//     (while taken in its list: the base name followed by the decimal text
//     of a random number below 65535, drawn again on every try)
//   unnamed foreign key                   FOREIGN_KEY_<unique suffix>
//   mirror of foreign key K               K_Action, while taken K_Action_<unique suffix>
//
// A unique suffix is the decimal text of two random 31-bit numbers and two
// readings of the tick count mixed by XOR, "-", and the calling thread's id.

#include <cstdint>
#include <string>
#include <string_view>

namespace halvex {

class THalvexMetaObjectDefs;
class THalvexConstraintDef;
class THalvexConstraintDefs;

std::string UniqueNameSuffix();

std::string AutoIncSequenceName(std::string_view table, std::string_view column, const THalvexMetaObjectDefs& list);
std::string LinkedSequenceName(std::string_view table, std::string_view column, const THalvexMetaObjectDefs& list);

// Names an unnamed constraint by its type (fields from its table and field
// pairs, or its partner); a primary or unique key raises "Not implemented
// yet" (30038), as the SQL layer names those.
void NameUnnamedConstraint(THalvexConstraintDef& constraint, const THalvexConstraintDefs& list);

// K_Action, or K_Action_<suffix> while that is taken in list.
std::string ForeignKeyActionName(std::string_view foreignKeyName, const THalvexMetaObjectDefs& list);

}  // namespace halvex
