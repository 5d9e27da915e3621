// The modules of a project by the last component of their names, so that a
// qualified name such as Serial.Put in a routine body can be recognised as
// naming a routine of the module Serial (or src/Serial).
#ifndef MEMTALLY_SCAN_MODULE_QUALIFIERS_H_
#define MEMTALLY_SCAN_MODULE_QUALIFIERS_H_

#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_map.h"
#include "routines/routine_table.h"

namespace memtally {

// Returns the last path component of a module name: the text after its last
// '/' or '\', the whole name when it has neither.
std::string_view lastPathComponent(std::string_view moduleName);

// The public routines of a project's modules by the last component of the
// module's name and the routine's name.
class ModuleQualifiers {
 public:
  ModuleQualifiers();
  ModuleQualifiers(const ModuleQualifiers&) = delete;
  ModuleQualifiers& operator=(const ModuleQualifiers&) = delete;

  // Adds a module name; a name added before, in any letter case, is not
  // added again.
  void add(std::string_view moduleName);

  // Makes findPublic find, for every last component and routine name, the
  // public routine of that name in the first module added with that last
  // component that has one. `table` must hold every definition of the
  // modules added; its routines are indexed at the first findPublic, since
  // most projects write no qualified name.
  void indexRoutines(const RoutineTable& table) { table_ = &table; }

  // Returns the public routine that `qualifier`.`routine` names as
  // indexRoutines recorded it; null when there is none. Takes the same time
  // however many modules share the last component.
  const RoutineEntry* findPublic(std::string_view qualifier,
                                 std::string_view routine) const;

 private:
  // Returns a copy of `text` that lives as long as this.
  std::string_view keep(std::string_view text) const;

  // Fills routines_ from table_.
  void buildIndex() const;

  // Every module name added, with A to Z folded, which the keys below show.
  mutable std::pmr::monotonic_buffer_resource folded_;
  NameSet added_;  // every module name added, folded
  NameMap<std::vector<std::string>> modules_;  // by folded last component
  // Public routines by folded last component, NUL, folded routine name.
  mutable NameMap<const RoutineEntry*> routines_;
  const RoutineTable* table_ = nullptr;  // whose routines are indexed
  mutable bool indexed_ = false;         // routines_ is filled
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_MODULE_QUALIFIERS_H_
