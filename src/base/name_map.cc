#include "base/name_map.h"

namespace memtally {

size_t NameHash::operator()(std::string_view name) const {
  return static_cast<size_t>(sipHash13(key, name));
}

}  // namespace memtally
