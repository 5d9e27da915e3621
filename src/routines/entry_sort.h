// Sorting many routine entries by name. Comparing two entries reads both
// from wherever the table made them; on a large table most such reads miss
// the cache. The sort therefore compares the first sixteen bytes of the
// names, held beside the entry pointers, and reads the entries only to
// break ties.
#ifndef MEMTALLY_ROUTINES_ENTRY_SORT_H_
#define MEMTALLY_ROUTINES_ENTRY_SORT_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "routines/routine_table.h"

namespace memtally {

// The first eight bytes of `name`, zero-padded, as a number that orders as
// the bytes do, unsigned.
uint64_t namePrefix(std::string_view name);

using EntryCompare = int (*)(const RoutineEntry&, const RoutineEntry&);
using EntryName = std::string_view (*)(const RoutineEntry&);

// Sorts `entries` stably by `compare`, which must order first by the bytes
// of `name`, unsigned, a prefix first.
void sortEntries(std::span<RoutineEntry*> entries, EntryName name,
                 EntryCompare compare);

}  // namespace memtally

#endif  // MEMTALLY_ROUTINES_ENTRY_SORT_H_
