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

namespace memtally {

// Returns the last path component of a module name: the text after its last
// '/' or '\', the whole name when it has neither.
std::string_view lastPathComponent(std::string_view moduleName);

// Module names found by the last component of their path.
class ModuleQualifiers {
 public:
  ModuleQualifiers();
  ModuleQualifiers(const ModuleQualifiers&) = delete;
  ModuleQualifiers& operator=(const ModuleQualifiers&) = delete;

  // Adds a module name; a name added before, in any letter case, is not
  // added again.
  void add(std::string_view moduleName);

  // Returns the module names whose last path component equals `qualifier`
  // case-insensitively, in the order they were added; empty when none.
  const std::vector<std::string>& find(std::string_view qualifier) const;

 private:
  // Every module name added, with A to Z folded, which the keys below show.
  std::pmr::monotonic_buffer_resource folded_;
  NameSet added_;  // every module name added, folded
  NameMap<std::vector<std::string>> modules_;  // by folded last component
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_MODULE_QUALIFIERS_H_
