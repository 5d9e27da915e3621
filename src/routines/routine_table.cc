#include "routines/routine_table.h"

#include <algorithm>
#include <new>
#include <string>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"

namespace memtally {
namespace {

// Lists up to this long are searched item by item; longer ones keep a set.
constexpr size_t kShortList = 64;

// True when the test seam says the allocation at `site` fails.
bool allocationFails(const RoutineTable& table, AllocationSite site) {
  return table.failAllocation && table.failAllocation(site);
}

// The message for a failed growth of the table to `slots` slots.
std::string growthMessage(int32_t slots) {
  if (slots == kTableCapacityStep) {
    return "Out of memory attempting to initially allocate the symbol "
           "table.\n";
  }
  return "Out of memory attempting to reallocate the symbol table for " +
         decimal(static_cast<uint32_t>(slots)) + " entries.\n";
}

// Grows the table by steps of slots until one more entry fits.
void makeRoomForEntry(RoutineTable& table) {
  while (table.count() >= table.capacity) {
    const int32_t grown = table.capacity + kTableCapacityStep;
    const AllocationSite site = table.capacity == 0
                                    ? AllocationSite::kTableInitial
                                    : AllocationSite::kTableGrow;
    if (allocationFails(table, site)) throw FatalError(growthMessage(grown));
    // The storage grows at least geometrically, so that many steps of 100
    // slots never copy the array quadratically often.
    try {
      const size_t slots = static_cast<size_t>(grown);
      if (slots > table.entries.capacity()) {
        table.entries.reserve(std::max(slots, table.entries.capacity() * 2));
      }
    } catch (const std::bad_alloc&) {
      throw FatalError(growthMessage(grown));
    }
    table.capacity = grown;
  }
}

std::string entryMessage(const RoutineTable& table) {
  return "Out of memory attempting to allocate symbol table entry number " +
         decimal(static_cast<uint32_t>(table.count() + 1)) + ".\n";
}

// Creates the entry of routine `routine` in module `module`, which the table
// does not hold yet.
RoutineEntry* createEntry(RoutineTable& table, std::string_view module,
                          std::string_view routine) {
  if (allocationFails(table, AllocationSite::kEntry)) {
    throw FatalError(entryMessage(table));
  }
  try {
    std::pmr::polymorphic_allocator<> allocator(&table.arena);
    RoutineEntry& entry = *allocator.new_object<RoutineEntry>();
    const size_t size = module.size() + 1 + routine.size();
    char* const folded =
        static_cast<char*>(allocator.allocate_bytes(2 * size, 1));
    char* const full = folded + size;
    module.copy(full, module.size());
    full[module.size()] = '.';
    routine.copy(full + module.size() + 1, routine.size());
    std::transform(full, full + size, folded, [](char c) {
      return static_cast<char>(foldCase(static_cast<unsigned char>(c)));
    });
    entry.fullName = std::string_view(full, size);
    entry.foldedName = std::string_view(folded, size);
    entry.nameOffset = static_cast<int32_t>(module.size() + 1);
    table.modules
        .try_emplace(entry.foldedModule(), 0, table.modules.hash_function())
        .first->second.emplace(entry.foldedRoutine(), &entry);
    table.entries.push_back(&entry);
    return &entry;
  } catch (const std::bad_alloc&) {
    throw FatalError(entryMessage(table));
  }
}

// A module name and a routine name with A to Z folded, as the maps hold
// them.
struct FoldedNames {
  std::string_view module;
  std::string_view routine;
};

// Folds `module` and `routine` once for the lookups of one query, into a
// buffer that the next query on this thread reuses.
FoldedNames foldNames(std::string_view module, std::string_view routine) {
  // The buffer only grows, so that folding a name writes its bytes once.
  thread_local std::string buffer;
  const size_t size = module.size() + routine.size();
  if (buffer.size() < size) buffer.resize(size);
  char* out = buffer.data();
  for (const char c : module) {
    *out++ = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
  }
  for (const char c : routine) {
    *out++ = static_cast<char>(foldCase(static_cast<unsigned char>(c)));
  }
  const std::string_view folded(buffer.data(), size);
  return {folded.substr(0, module.size()), folded.substr(module.size())};
}

// The entry of the routine named `routine` in the module named `module`,
// both folded; null when there is none.
RoutineEntry* findEntry(const RoutineTable& table, const FoldedNames& names) {
  const auto routines = table.modules.find(names.module);
  if (routines == table.modules.end()) return nullptr;
  const auto found = routines->second.find(names.routine);
  return found == routines->second.end() ? nullptr : found->second;
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

// Appends item to the list, creating the list, 25 slots large, for its first
// item.
void appendItem(RoutineTable& table, RoutineRefList*& list, RoutineEntry* item,
                const ListMessages& messages) {
  const bool initial = list == nullptr;
  const char* message =
      initial ? messages.initialMessage : messages.growMessage;
  try {
    if (initial) {
      if (allocationFails(table, messages.initialSite)) {
        throw FatalError(message);
      }
      std::pmr::polymorphic_allocator<> allocator(&table.arena);
      list = allocator.new_object<RoutineRefList>(&table.arena);
      list->capacity = kListCapacityStep;
      // Most routines call, and are called by, only a few others.
      list->items.reserve(4);
    } else if (list->count() >= list->capacity) {
      if (allocationFails(table, messages.growSite)) throw FatalError(message);
      list->capacity += kListCapacityStep;
    }
    list->append(item);
  } catch (const std::bad_alloc&) {
    throw FatalError(message);
  }
}

// Records the run of every routine name, walking the entries, which are in
// routine order.
void recordRuns(RoutineTable& table) {
  table.runs.clear();
  table.runs.reserve(table.entries.size());
  RoutineRun* run = nullptr;
  for (uint32_t i = 0; i < table.entries.size(); ++i) {
    RoutineEntry* const entry = table.entries[i];
    const std::string_view name = entry->foldedRoutine();
    if (run == nullptr || table.entries[i - 1]->foldedRoutine() != name) {
      run =
          &table.runs.emplace(name, RoutineRun{i, i, nullptr, 0}).first->second;
    }
    if ((entry->flags & ROUTINE_PRIVATE) == 0) {
      run->lastPublic = entry;
      ++run->publicCount;
    }
    run->end = i + 1;
  }
}

// Compares the module of `entry` with the folded module name `module` in
// routine order: shorter first, then by bytes.
int compareModule(const RoutineEntry& entry, std::string_view module) {
  const size_t length = entry.foldedModule().size();
  if (length != module.size()) return length < module.size() ? -1 : 1;
  return compareBytes(entry.foldedModule(), module);
}

// The routine of `run` that the module folded as `module` defines; null when
// it has none.
RoutineEntry* findInRun(const RoutineTable& table, const RoutineRun& run,
                        std::string_view module) {
  const auto end = table.entries.begin() + run.end;
  const auto found =
      std::lower_bound(table.entries.begin() + run.begin, end, module,
                       [](const RoutineEntry* entry, std::string_view name) {
                         return compareModule(*entry, name) < 0;
                       });
  return found != end && compareModule(**found, module) == 0 ? *found : nullptr;
}

}  // namespace

bool RoutineRefList::holds(const RoutineEntry* entry) {
  if (members == nullptr && items.size() > kShortList) {
    std::pmr::polymorphic_allocator<> allocator(items.get_allocator());
    members =
        allocator.new_object<std::pmr::unordered_set<const RoutineEntry*>>();
    members->insert(items.begin(), items.end());
  }
  if (members) return members->count(entry) != 0;
  return std::find(items.begin(), items.end(), entry) != items.end();
}

void RoutineRefList::append(RoutineEntry* entry) {
  items.push_back(entry);
  if (members) members->insert(entry);
}

RoutineTable::RoutineTable()
    : modules(0, NameHash{randomSipKey()}, {}, &mapArena),
      runs(0, modules.hash_function(), {}, &mapArena) {}

int compareRoutineOrder(const RoutineEntry& a, const RoutineEntry& b) {
  const int byName = compareBytes(a.foldedRoutine(), b.foldedRoutine());
  if (byName != 0) return byName;
  const size_t lengthA = a.foldedModule().size();
  const size_t lengthB = b.foldedModule().size();
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  return compareBytes(a.foldedModule(), b.foldedModule());
}

RoutineEntry* lookupOrAddRoutine(RoutineTable& table, std::string_view module,
                                 std::string_view routine, bool create) {
  if (module.empty() || routine.empty()) return nullptr;
  RoutineEntry* found = findEntry(table, foldNames(module, routine));
  if (found != nullptr || !create) return found;
  makeRoomForEntry(table);
  return createEntry(table, module, routine);
}

void ensureRoutineOrder(RoutineTable& table) {
  std::stable_sort(table.entries.begin(), table.entries.end(),
                   [](const RoutineEntry* a, const RoutineEntry* b) {
                     return compareRoutineOrder(*a, *b) < 0;
                   });
  recordRuns(table);
}

const RoutineRun* findRun(const RoutineTable& table, std::string_view name) {
  const auto found = table.runs.find(foldNames({}, name).routine);
  return found == table.runs.end() ? nullptr : &found->second;
}

RoutineEntry* findCalledRoutine(const RoutineTable& table,
                                std::string_view module, std::string_view name,
                                const RoutineRun** chosenFrom) {
  if (name.empty()) return nullptr;
  // Most names in a body name no routine: the module is folded only for
  // those that do.
  const auto found = table.runs.find(foldNames({}, name).routine);
  if (found == table.runs.end()) return nullptr;
  const RoutineRun& run = found->second;
  if (chosenFrom != nullptr) *chosenFrom = &run;
  if (module.empty()) return table.entries[run.begin];
  RoutineEntry* own = findInRun(table, run, foldNames(module, {}).module);
  return own != nullptr ? own : run.lastPublic;
}

bool addCall(RoutineTable& table, RoutineEntry* caller, RoutineEntry* callee,
             bool withCaller) {
  if (caller == nullptr || callee == nullptr) return false;
  try {
    if (caller->calls != nullptr && caller->calls->holds(callee)) return false;
  } catch (const std::bad_alloc&) {
    throw FatalError(kCallMessages.growMessage);
  }
  appendItem(table, caller->calls, callee, kCallMessages);
  // Caller lists change only here: a caller is new to its callee's list
  // exactly when the call is new.
  if (withCaller) appendItem(table, callee->callers, caller, kCallerMessages);
  return true;
}

void freeRoutineTable(RoutineTable& table) {
  // Fresh maps hold nothing in the arenas.
  const NameHash hash = table.modules.hash_function();
  table.modules = NameMap<NameMap<RoutineEntry*>>(0, hash, {}, &table.mapArena);
  table.runs = NameMap<RoutineRun>(0, hash, {}, &table.mapArena);
  table.entries.clear();
  table.arena.release();
  table.mapArena.release();
}

}  // namespace memtally
