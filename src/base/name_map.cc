#include "base/name_map.h"

#include "base/chars.h"

namespace memtally {

size_t NameHash::operator()(std::string_view name) const {
  return static_cast<size_t>(sipHash13<foldWord>(key, name));
}

bool NameEqual::operator()(std::string_view a, std::string_view b) const {
  // Names in a map are mostly equal when their hashes are: compare them a
  // word at a time.
  if (a.size() != b.size()) return false;
  const size_t whole = a.size() / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) {
    if (foldWord(loadWord(a.data() + i, 8)) !=
        foldWord(loadWord(b.data() + i, 8))) {
      return false;
    }
  }
  return equalsNoCase(a.substr(whole), b.substr(whole));
}

}  // namespace memtally
