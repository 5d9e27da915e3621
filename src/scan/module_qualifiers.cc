#include "scan/module_qualifiers.h"

#include "base/chars.h"

namespace memtally {

namespace {

// Returns a module's last component, a NUL and a routine name, all folded,
// in a buffer that the next call reuses. No name holds a NUL, so the key is
// unambiguous.
std::string_view routineKey(std::string_view component,
                            std::string_view routine) {
  thread_local std::string key;
  key.clear();
  appendFolded(key, component);
  key.push_back('\0');
  appendFolded(key, routine);
  return key;
}

}  // namespace

std::string_view lastPathComponent(std::string_view moduleName) {
  const size_t slash = moduleName.find_last_of("/\\");
  return slash == std::string_view::npos ? moduleName
                                         : moduleName.substr(slash + 1);
}

ModuleQualifiers::ModuleQualifiers()
    : added_(0, NameHash{}, {}, &folded_),
      modules_(0, added_.hash_function(), {}, &folded_),
      routines_(0, added_.hash_function(), {}, &folded_) {}

void ModuleQualifiers::add(std::string_view moduleName) {
  const std::string folded = foldedCopy(moduleName);
  if (added_.count(folded) != 0) return;
  char* const kept = static_cast<char*>(
      std::pmr::polymorphic_allocator<>(&folded_).allocate_bytes(folded.size(),
                                                                 1));
  const std::string_view key(kept, folded.copy(kept, folded.size()));
  added_.insert(key);
  // Folding leaves the separators where they are: the last component of the
  // folded name is the folded last component.
  modules_[lastPathComponent(key)].emplace_back(moduleName);
}

std::string_view ModuleQualifiers::keep(std::string_view text) const {
  char* const kept = static_cast<char*>(
      std::pmr::polymorphic_allocator<>(&folded_).allocate_bytes(text.size(),
                                                                 1));
  return std::string_view(kept, text.copy(kept, text.size()));
}

void ModuleQualifiers::buildIndex() const {
  indexed_ = true;
  if (table_ == nullptr) return;
  const RoutineTable& table = *table_;
  for (const auto& [component, modules] : modules_) {
    for (const std::string& module : modules) {
      const auto routines = table.modules.find(foldedCopy(module));
      if (routines == table.modules.end()) continue;
      for (const auto& [name, entry] : routines->second) {
        if ((entry->flags & ROUTINE_PRIVATE) != 0) continue;
        const std::string_view key = routineKey(component, name);
        if (routines_.count(key) == 0) routines_.emplace(keep(key), entry);
      }
    }
  }
}

const RoutineEntry* ModuleQualifiers::findPublic(
    std::string_view qualifier, std::string_view routine) const {
  if (!indexed_) buildIndex();
  const auto found = routines_.find(routineKey(qualifier, routine));
  return found == routines_.end() ? nullptr : found->second;
}

}  // namespace memtally
