#include "scan/module_qualifiers.h"

#include "base/chars.h"

namespace memtally {

std::string_view lastPathComponent(std::string_view moduleName) {
  const size_t slash = moduleName.find_last_of("/\\");
  return slash == std::string_view::npos ? moduleName
                                         : moduleName.substr(slash + 1);
}

ModuleQualifiers::ModuleQualifiers()
    : added_(0, NameHash{}, {}, &folded_),
      modules_(0, added_.hash_function(), {}, &folded_) {}

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

const std::vector<std::string>& ModuleQualifiers::find(
    std::string_view qualifier) const {
  static const std::vector<std::string> kNone;
  thread_local std::string folded;
  folded.clear();
  appendFolded(folded, qualifier);
  const auto it = modules_.find(folded);
  return it == modules_.end() ? kNone : it->second;
}

}  // namespace memtally
