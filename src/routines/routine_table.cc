#include "routines/routine_table.h"

#include <algorithm>
#include <new>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
#include "base/prefetch.h"

namespace memtally {
namespace {

// Lists longer than this keep a membership set, so that a routine with
// thousands of callers is not searched item by item for every new one.
constexpr size_t kListScanLimit = 16;

// True when the test seam says the allocation at `site` fails.
bool allocationFails(const RoutineTable& table, AllocationSite site) {
  return table.failAllocation && table.failAllocation(site);
}

// Raises the out-of-memory error `message` when the test seam says this
// allocation fails.
void checkAllocation(const RoutineTable& table, AllocationSite site,
                     const std::string& message) {
  if (allocationFails(table, site)) throw FatalError(message);
}

// Makes room for `slots` items. The storage grows at least geometrically, so
// many small capacity steps never copy the array a quadratic number of times.
template <typename T>
void reserveSlots(std::vector<T>& items, size_t slots) {
  if (slots > items.capacity()) {
    items.reserve(std::max(slots, items.capacity() * 2));
  }
}

// Grows entries by capacity steps until one more entry fits.
void makeRoomForEntry(RoutineTable& table) {
  if (table.capacity == 0) {
    const std::string message =
        "Out of memory attempting to initially allocate the symbol table.\n";
    checkAllocation(table, AllocationSite::kTableInitial, message);
    try {
      reserveSlots(table.entries, kTableCapacityStep);
    } catch (const std::bad_alloc&) {
      throw FatalError(message);
    }
    table.capacity = kTableCapacityStep;
    return;
  }
  while (table.count() >= table.capacity) {
    const int32_t grown = table.capacity + kTableCapacityStep;
    const std::string message =
        "Out of memory attempting to reallocate the symbol table for " +
        decimal(static_cast<uint32_t>(grown)) + " entries.\n";
    checkAllocation(table, AllocationSite::kTableGrow, message);
    try {
      reserveSlots(table.entries, static_cast<size_t>(grown));
    } catch (const std::bad_alloc&) {
      throw FatalError(message);
    }
    table.capacity = grown;
  }
}

// Returns the routines of the module whose folded name is `folded`; null
// when it has none.
RoutineTable::ModuleRoutines* findModule(RoutineTable& table,
                                         std::string_view folded) {
  if (table.lastModule != nullptr && table.lastModule->folded == folded) {
    return table.lastModule;
  }
  const RoutineTable::ModuleSlot* found = table.modules.find(
      hashName(folded), [folded](const RoutineTable::ModuleSlot& slot) {
        return slot.module->folded == folded;
      });
  if (found == nullptr) return nullptr;
  table.lastModule = found->module;
  return found->module;
}

// Adds the module whose folded name is `folded`, without routines yet.
RoutineTable::ModuleRoutines* addModule(RoutineTable& table,
                                        std::string_view folded) {
  RoutineTable::ModuleRoutines& module = table.moduleStore.emplace_back();
  module.folded.assign(folded);
  table.modules.insert(hashName(folded), {&module});
  table.lastModule = &module;
  return &module;
}

// The names of an entry to create: as read, and folded.
struct NewNames {
  std::string_view module;
  std::string_view routine;
  std::string_view foldedModule;
  std::string_view foldedRoutine;
};

// Creates the entry named `names`, adding it to the routines of its module,
// `routines` (null when the module has none yet), under the hash of its
// folded routine name, `hash`.
RoutineEntry* createEntry(RoutineTable& table, const NewNames& names,
                          RoutineTable::ModuleRoutines* routines,
                          uint64_t hash) {
  // The message is made only when needed: this runs once per routine.
  const uint32_t number = static_cast<uint32_t>(table.count() + 1);
  const auto message = [number] {
    return "Out of memory attempting to allocate symbol table entry number " +
           decimal(number) + ".\n";
  };
  if (allocationFails(table, AllocationSite::kEntry)) {
    throw FatalError(message());
  }
  try {
    // The entry, then its folded name and the name as read.
    const size_t size = names.module.size() + 1 + names.routine.size();
    void* const room = table.pool.allocate(sizeof(RoutineEntry) + 2 * size,
                                           alignof(RoutineEntry));
    RoutineEntry& entry = *new (room) RoutineEntry();
    char* const folded = reinterpret_cast<char*>(&entry + 1);
    char* const full = folded + size;
    const auto join = [](char* out, std::string_view module,
                         std::string_view routine) {
      module.copy(out, module.size());
      out[module.size()] = '.';
      routine.copy(out + module.size() + 1, routine.size());
    };
    join(folded, names.foldedModule, names.foldedRoutine);
    join(full, names.module, names.routine);
    entry.fullName = std::string_view(full, size);
    entry.foldedName = std::string_view(folded, size);
    entry.nameOffset = static_cast<int32_t>(names.module.size() + 1);
    if (routines == nullptr) routines = addModule(table, entry.foldedModule());
    table.entries.push_back(&entry);
    routines->routines.insert(hash, {&entry});
    return &entry;
  } catch (const std::bad_alloc&) {
    throw FatalError(message());
  }
}

struct ListMessages {
  AllocationSite initialSite;
  AllocationSite growSite;
  const char* initialMessage;
  const char* growMessage;
};

constexpr ListMessages kCallMessages = {
    AllocationSite::kCallListInitial, AllocationSite::kCallListGrow,
    "Out of memory attempting to initially allocate a call list.\n",
    "Out of memory attempting to initially reallocate a call list.\n"};

constexpr ListMessages kCallerMessages = {
    AllocationSite::kCallerListInitial, AllocationSite::kCallerListGrow,
    "Out of memory attempting to initially allocate a caller list.\n",
    "Out of memory attempting to initially reallocate a caller list.\n"};

bool listHolds(const RoutineRefList& list, const RoutineEntry* item) {
  if (list.members) return list.members->count(item) != 0;
  return std::find(list.items.begin(), list.items.end(), item) !=
         list.items.end();
}

// Whether appendUnique looks for the item in the list first.
enum class Absence { kCheck, kKnown };

// Appends item to the list unless it holds it already, creating the list
// with its first item; returns whether it appended. With Absence::kKnown the
// caller vouches that the list does not hold the item: the search is
// skipped, and no membership set is started (a later checked append starts
// one from all items).
bool appendUnique(RoutineTable& table, RoutineRefList*& list,
                  RoutineEntry* item, const ListMessages& messages,
                  Absence absence = Absence::kCheck) {
  std::pmr::polymorphic_allocator<> allocator(&table.pool);
  try {
    if (!list) {
      checkAllocation(table, messages.initialSite, messages.initialMessage);
      // The list counts its capacity in steps of 25 slots, but its storage
      // starts small and doubles: most routines call only a few others, and
      // a million lists of 25 reserved slots would cost 200 MB.
      list = allocator.new_object<RoutineRefList>(&table.pool);
      list->capacity = kListCapacityStep;
      list->items.push_back(item);
      return true;
    }
    if (absence == Absence::kCheck && listHolds(*list, item)) return false;
    if (list->count() >= list->capacity) {
      checkAllocation(table, messages.growSite, messages.growMessage);
      list->capacity += kListCapacityStep;
    }
    list->items.push_back(item);
    if (list->members) {
      list->members->insert(item);
    } else if (absence == Absence::kCheck &&
               list->items.size() > kListScanLimit) {
      list->members =
          allocator.new_object<std::pmr::unordered_set<const RoutineEntry*>>();
      list->members->insert(list->items.begin(), list->items.end());
    }
    return true;
  } catch (const std::bad_alloc&) {
    throw FatalError(list ? messages.growMessage : messages.initialMessage);
  }
}

// Compares entry's module with a folded module name in routine order:
// length first, then the folded bytes.
int compareModule(const RoutineEntry* entry, std::string_view folded) {
  const std::string_view own = entry->foldedModule();
  if (own.size() != folded.size()) return own.size() < folded.size() ? -1 : 1;
  return compareBytes(own, folded);
}

// Records where each routine name's run of entries starts and ends. Runs
// are found by a hash of the name, one probe per identifier of a body.
void indexRuns(RoutineTable& table) {
  table.runs.clear();
  const auto& entries = table.entries;
  table.runs.reserve(entries.size());
  constexpr size_t kAhead = 8;  // the walk is out of memory order
  for (size_t i = 0; i < entries.size();) {
    size_t end = i + 1;
    const std::string_view name = entries[i]->foldedRoutine();
    while (end < entries.size() && entries[end]->foldedRoutine() == name) {
      ++end;
    }
    if (end + kAhead < entries.size()) prefetch(entries[end + kAhead]);
    table.runs.insert(hashName(name), {entries[i], static_cast<int32_t>(i),
                                       static_cast<int32_t>(end)});
    i = end;
  }
  table.runsValid = true;
}

}  // namespace

SortKey routineOrderKey(const RoutineEntry& entry) {
  const std::string_view routine = entry.foldedRoutine();
  const std::string_view module = entry.foldedModule();
  SortKey key = {bytePrefix(routine), bytePrefixAt(routine, 8),
                 shortNameLength(routine), 0};
  if (routine.size() <= 16) {
    // Equal routine names: the module's length, then its first eight bytes.
    constexpr uint64_t kLongModule = (uint64_t{1} << 59) - 1;
    const uint64_t length = std::min<uint64_t>(module.size(), kLongModule);
    key[2] |= length;
    if (length < kLongModule) key[3] = bytePrefix(module);
  }
  return key;
}

int compareRoutineOrder(const RoutineEntry& a, const RoutineEntry& b) {
  const int byName = compareBytes(a.foldedRoutine(), b.foldedRoutine());
  if (byName != 0) return byName;
  return compareModule(&a, b.foldedModule());
}

RoutineEntry* lookupOrAddRoutine(RoutineTable& table, std::string_view module,
                                 std::string_view routine, bool create) {
  if (module.empty() || routine.empty()) return nullptr;
  foldInto(module, table.scratchModule);
  RoutineTable::ModuleRoutines* routines =
      findModule(table, table.scratchModule);
  if (routines == nullptr && !create) return nullptr;
  const std::string& folded = table.scratch;
  foldInto(routine, table.scratch);
  const uint64_t hash = hashName(folded);
  if (routines != nullptr) {
    const RoutineTable::ModuleRoutines::Slot* found = routines->routines.find(
        hash, [&folded](const RoutineTable::ModuleRoutines::Slot& slot) {
          return slot.entry->foldedRoutine() == folded;
        });
    if (found != nullptr) return found->entry;
  }
  if (!create) return nullptr;

  makeRoomForEntry(table);
  RoutineEntry* entry = createEntry(
      table, {module, routine, table.scratchModule, folded}, routines, hash);
  table.runsValid = false;
  // An entry that sorts after the last one keeps the table in order.
  const size_t n = table.entries.size();
  if (table.inRoutineOrder && n > 1 &&
      compareRoutineOrder(*table.entries[n - 2], *entry) > 0) {
    table.inRoutineOrder = false;
  }
  return entry;
}

void ensureRoutineOrder(RoutineTable& table) {
  if (table.inRoutineOrder) return;
  sortByKey(table.entries, routineOrderKey, compareRoutineOrder, false);
  table.inRoutineOrder = true;
  table.runsValid = false;
}

namespace {

// Brings the table into routine order and indexes its runs, as call
// resolution needs.
void prepareRuns(RoutineTable& table) {
  ensureRoutineOrder(table);
  if (!table.runsValid) indexRuns(table);
}

const RoutineTable::RunSlot* findRun(const RoutineTable& table,
                                     std::string_view folded, uint64_t hash) {
  return table.runs.find(hash, [&](const RoutineTable::RunSlot& slot) {
    return slot.head->foldedRoutine() == folded;
  });
}

// The routine of `run` that a call from the module `foldedModule` means.
RoutineEntry* pickFromRun(const RoutineTable& table,
                          const RoutineTable::RunSlot& run,
                          std::string_view foldedModule) {
  if (run.end - run.first == 1) {
    // Most names belong to one routine: the answer unless it is another
    // module's private one.
    RoutineEntry* only = run.head;
    if (compareModule(only, foldedModule) == 0) return only;
    return (only->flags & ROUTINE_PRIVATE) == 0 ? only : nullptr;
  }

  // A run is ordered by module, so the caller's own module is found by a
  // search; without it, the last public routine of the run is the answer.
  const auto& entries = table.entries;
  const auto first = entries.begin() + run.first;
  const auto last = entries.begin() + run.end;
  const auto own = std::lower_bound(
      first, last, foldedModule, [](const RoutineEntry* e, std::string_view m) {
        return compareModule(e, m) < 0;
      });
  if (own != last && compareModule(*own, foldedModule) == 0) return *own;
  for (auto it = last; it != first;) {
    --it;
    if (((*it)->flags & ROUTINE_PRIVATE) == 0) return *it;
  }
  return nullptr;
}

}  // namespace

RoutineEntry* findCalledRoutine(RoutineTable& table, std::string_view module,
                                std::string_view name) {
  if (table.entries.empty() || name.empty()) return nullptr;
  prepareRuns(table);
  std::string& folded = table.scratch;
  foldInto(name, folded);
  const RoutineTable::RunSlot* run = findRun(table, folded, hashName(folded));
  if (run == nullptr) return nullptr;
  if (module.empty()) return run->head;
  std::string& foldedModule = table.scratchModule;
  foldInto(module, foldedModule);
  return pickFromRun(table, *run, foldedModule);
}

void addCall(RoutineTable& table, RoutineEntry* entry, RoutineEntry* callee) {
  if (entry == nullptr || callee == nullptr) return;
  appendUnique(table, entry->calls, callee, kCallMessages);
}

void addCaller(RoutineTable& table, RoutineEntry* entry, RoutineEntry* caller) {
  if (entry == nullptr || caller == nullptr) return;
  appendUnique(table, entry->callers, caller, kCallerMessages);
}

bool addCallPair(RoutineTable& table, RoutineEntry* caller,
                 RoutineEntry* callee, bool withCaller, CallSite site) {
  if (caller == nullptr || callee == nullptr) return false;
  if (!appendUnique(table, caller->calls, callee, kCallMessages)) return false;
  caller->calls->sites.push_back(site);
  // New in the call list, so new in the caller list too: the two lists
  // change only together. Routines called by thousands skip the search.
  if (withCaller) {
    appendUnique(table, callee->callers, caller, kCallerMessages,
                 Absence::kKnown);
  }
  return true;
}

void prefetchAhead(const std::vector<RoutineEntry*>& entries, size_t i,
                   RoutineRefList* RoutineEntry::*list) {
  const size_t n = entries.size();
  if (i + 12 < n) prefetch(entries[i + 12]);
  if (i + 8 < n && entries[i + 8]->*list) prefetch(entries[i + 8]->*list);
  if (i + 4 < n && entries[i + 4]->*list) {
    prefetch((entries[i + 4]->*list)->items.data());
  }
  if (i + 2 < n && entries[i + 2]->*list) {
    constexpr size_t kItems = 8;
    const auto& items = (entries[i + 2]->*list)->items;
    for (size_t k = 0; k < items.size() && k < kItems; ++k) prefetch(items[k]);
  }
}

void freeRoutineTable(RoutineTable& table) {
  table.runs.clear();
  table.runsValid = false;
  table.modules.clear();
  table.moduleStore.clear();
  table.lastModule = nullptr;
  table.entries.clear();
  table.pool.release();
  table.inRoutineOrder = true;
}

}  // namespace memtally
