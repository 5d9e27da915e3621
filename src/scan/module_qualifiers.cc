#include "scan/module_qualifiers.h"

#include "base/chars.h"

namespace memtally {

std::string_view lastPathComponent(std::string_view moduleName) {
  const size_t slash = moduleName.find_last_of("/\\");
  return slash == std::string_view::npos ? moduleName
                                         : moduleName.substr(slash + 1);
}

void ModuleQualifiers::add(std::string_view moduleName) {
  if (!added_.insert(foldedCopy(moduleName)).second) return;
  modules_[foldedCopy(lastPathComponent(moduleName))].emplace_back(moduleName);
}

const std::vector<std::string>& ModuleQualifiers::find(
    std::string_view qualifier) const {
  static const std::vector<std::string> kNone;
  const auto it = modules_.find(foldedCopy(qualifier));
  return it == modules_.end() ? kNone : it->second;
}

}  // namespace memtally
