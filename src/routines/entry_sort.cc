#include "routines/entry_sort.h"

#include <algorithm>
#include <vector>

namespace memtally {
namespace {

struct SortItem {
  uint64_t head;  // bytes 0 to 7 of the name
  uint64_t next;  // bytes 8 to 15
  RoutineEntry* entry;
};

}  // namespace

uint64_t namePrefix(std::string_view name) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i) {
    const unsigned char byte =
        i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
    prefix = prefix << 8 | byte;
  }
  return prefix;
}

void sortEntries(std::span<RoutineEntry*> entries, EntryName name,
                 EntryCompare compare) {
  std::vector<SortItem> items;
  items.reserve(entries.size());
  for (RoutineEntry* entry : entries) {
    const std::string_view text = name(*entry);
    items.push_back({namePrefix(text),
                     namePrefix(text.substr(std::min<size_t>(8, text.size()))),
                     entry});
  }
  // Different prefixes order as the names do; equal ones leave it to the
  // full comparison.
  std::stable_sort(items.begin(), items.end(),
                   [compare](const SortItem& a, const SortItem& b) {
                     if (a.head != b.head) return a.head < b.head;
                     if (a.next != b.next) return a.next < b.next;
                     return compare(*a.entry, *b.entry) < 0;
                   });
  std::transform(items.begin(), items.end(), entries.begin(),
                 [](const SortItem& item) { return item.entry; });
}

}  // namespace memtally
