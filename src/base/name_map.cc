#include "base/name_map.h"

#include "base/chars.h"

namespace memtally {

size_t NameHash::operator()(std::string_view name) const {
  return static_cast<size_t>(sipHash13<foldCase>(key, name));
}

bool NameEqual::operator()(std::string_view a, std::string_view b) const {
  return equalsNoCase(a, b);
}

}  // namespace memtally
