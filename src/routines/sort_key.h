// Sorting routine entries by packed name prefixes, so that a sort of a large
// table compares numbers held in one array and reaches the names themselves,
// scattered over memory, only on a tie.
#ifndef MEMTALLY_ROUTINES_SORT_KEY_H_
#define MEMTALLY_ROUTINES_SORT_KEY_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/chars.h"
#include "base/prefetch.h"

namespace memtally {

struct RoutineEntry;

// Four numbers that order two entries as the comparison they go with does
// wherever the numbers differ. Equal keys say nothing: the comparison decides.
using SortKey = std::array<uint64_t, 4>;

// Returns the eight bytes of a name from `offset` on, as bytePrefix does.
inline uint64_t bytePrefixAt(std::string_view name, size_t offset) {
  return bytePrefix(name.substr(std::min(offset, name.size())));
}

// Returns the top five bits of a key word for a name known to agree with
// another in its first sixteen bytes: its length up to 16, or 17 for a longer
// one. A name of up to 16 bytes is then a prefix of every name with the same
// first sixteen bytes and a larger length, so it sorts first, as it should.
inline uint64_t shortNameLength(std::string_view name) {
  return static_cast<uint64_t>(std::min<size_t>(name.size(), 17)) << 59;
}

// Sorts items by `keyOf`, and entries with equal keys by `compare`. With
// `stable` set, items that compare equal keep their relative order.
template <typename KeyOf, typename Compare>
void sortByKey(std::span<RoutineEntry*> items, KeyOf keyOf, Compare compare,
               bool stable) {
  if (items.size() < 2) return;
  struct Keyed {
    SortKey key;
    RoutineEntry* entry;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(items.size());
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i + kAhead < items.size()) prefetch(items[i + kAhead]);
    keyed.push_back({keyOf(*items[i]), items[i]});
  }
  const auto before = [&compare](const Keyed& a, const Keyed& b) {
    if (a.key != b.key) return a.key < b.key;
    return compare(*a.entry, *b.entry) < 0;
  };
  if (stable) {
    std::stable_sort(keyed.begin(), keyed.end(), before);
  } else {
    std::sort(keyed.begin(), keyed.end(), before);
  }
  for (size_t i = 0; i < keyed.size(); ++i) items[i] = keyed[i].entry;
}

}  // namespace memtally

#endif  // MEMTALLY_ROUTINES_SORT_KEY_H_
