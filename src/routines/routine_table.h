// The routine table: every Sub and Function of the application, with its
// sizes from the map file, its computed stack figures, and the routines it
// calls and is called by.
#ifndef MEMTALLY_ROUTINES_ROUTINE_TABLE_H_
#define MEMTALLY_ROUTINES_ROUTINE_TABLE_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "routines/flat_index.h"
#include "routines/sort_key.h"

namespace memtally {

inline constexpr uint32_t ROUTINE_DEFINED = 0x01;   // a definition was seen
inline constexpr uint32_t ROUTINE_PRIVATE = 0x02;   // declared Private
inline constexpr uint32_t ROUTINE_FUNCTION = 0x04;  // a Function, not a Sub
inline constexpr uint32_t ROUTINE_TASK = 0x08;      // started by calltask
inline constexpr uint32_t ROUTINE_VISITING = 0x10;  // on the computed path

// Slots added each time the table or one of its lists runs full.
inline constexpr int32_t kTableCapacityStep = 100;
inline constexpr int32_t kListCapacityStep = 25;

struct RoutineEntry;

// Where a call was first recorded: the module's position in the project
// file and the physical line.
struct CallSite {
  uint32_t module = 0;
  uint32_t line = 0;
};

// A list of routines without duplicates, in the order they were added. The
// entries are the table's; the list only refers to them. Lists live in the
// table's pool and are released with it.
struct RoutineRefList {
  explicit RoutineRefList(std::pmr::memory_resource* pool)
      : items(pool), sites(pool) {}

  std::pmr::vector<RoutineEntry*> items;
  // Of a call list: where each call was first recorded, item for item.
  std::pmr::vector<CallSite> sites;
  int32_t capacity = 0;  // slots allocated, in steps of kListCapacityStep

  int32_t count() const { return static_cast<int32_t>(items.size()); }

  // Membership of long lists, so that adding to them stays cheap.
  std::pmr::unordered_set<const RoutineEntry*>* members = nullptr;
};

// One routine, known by its module name and routine name.
struct RoutineEntry {
  uint32_t invocationOverhead = 0;  // call overhead charged: 9 or 15
  uint32_t paramBytes = 0;          // formal parameters, from the map file
  uint32_t localBytes = 0;          // local variables, from the map file
  uint32_t calleeBytes = 0;         // largest requirement among its callees
  uint32_t totalBytes = 0;          // its requirement; 0 until computed
  int32_t nameOffset = 0;           // where the routine name starts
  RoutineRefList* calls = nullptr;  // routines it calls
  // Both names follow the entry in the table's pool, the folded one first.
  // Resolving a call reads the fields from here on, which lie together.
  std::string_view fullName;  // module name, '.', routine name, case as read
  RoutineRefList* callers = nullptr;  // routines calling it (with -c)
  uint32_t flags = 0;                 // ROUTINE_... bits
  std::string_view foldedName;  // fullName with A to Z folded, for ordering

  // Where it is defined: the module's position in the project file and the
  // physical line of its definition; line 0 when only the map names it.
  uint32_t definitionModule = 0;
  uint32_t definitionLine = 0;

  // What the requirement computation recorded besides the figures.
  RoutineEntry* worstCallee = nullptr;  // the callee that gave calleeBytes
  uint64_t finishOrder = 0;  // when its computation ended; 0: it did not
  bool totalWrapped = false;  // its total exceeded 32 bits and wrapped

  std::string_view moduleName() const {
    return fullName.substr(0, nameOffset - 1);
  }
  std::string_view routineName() const { return fullName.substr(nameOffset); }
  std::string_view foldedModule() const {
    return foldedName.substr(0, nameOffset - 1);
  }
  std::string_view foldedRoutine() const {
    return foldedName.substr(nameOffset);
  }
};

// Prefetches, for a walk over `entries` that is at index i and reads each
// entry's list `list` and the entries on it, what the coming steps read:
// the entry 12 places ahead, the list 8 ahead, its items 4 ahead, and the
// entries on the list 2 ahead. Each step reads what an earlier one loaded.
void prefetchAhead(const std::vector<RoutineEntry*>& entries, size_t i,
                   RoutineRefList* RoutineEntry::*list);

// The allocations the table makes; a test can make any of them fail.
enum class AllocationSite {
  kTableInitial,
  kTableGrow,
  kEntry,
  kCallListInitial,
  kCallListGrow,
  kCallerListInitial,
  kCallerListGrow,
};

// Compares two routines in routine order: routine name case-insensitively,
// then the length of the module name (shorter first), then the module name
// case-insensitively.
int compareRoutineOrder(const RoutineEntry& a, const RoutineEntry& b);

// The sort key that goes with compareRoutineOrder.
SortKey routineOrderKey(const RoutineEntry& entry);

// The table of all routines of one run. `entries` is kept in routine order
// for every reader that depends on it; the unused-routines listing re-sorts
// it by full name at the end of the run.
struct RoutineTable {
  RoutineTable() = default;
  RoutineTable(const RoutineTable&) = delete;
  RoutineTable& operator=(const RoutineTable&) = delete;

  // Entries, their names and their lists, released all at once. Entries and
  // names of routines defined together lie together.
  std::pmr::monotonic_buffer_resource pool;

  std::vector<RoutineEntry*> entries;  // allocated in `pool`
  int32_t capacity = 0;  // slots allocated, in steps of kTableCapacityStep

  int32_t count() const { return static_cast<int32_t>(entries.size()); }

  // When set, an allocation at a site for which it returns true fails as if
  // memory had run out.
  std::function<bool(AllocationSite)> failAllocation;

  // False while entries appended since the last sort wait to be put in
  // routine order; `ensureRoutineOrder` sorts them. Whoever reorders
  // `entries` otherwise clears it too.
  bool inRoutineOrder = true;

  // An entry of `runs`: the entries sharing one folded routine name. The
  // name is the head's, read from the entry itself: the caller reads the
  // entry next anyway, and a small slot keeps the index in cache.
  struct RunSlot {
    RoutineEntry* head;  // the run's first entry
    int32_t first;       // index of the first entry in `entries`
    int32_t end;         // index after the last one
  };
  // The run of every folded routine name; valid only while `runsValid`.
  FlatIndex<RunSlot> runs;
  bool runsValid = false;

  // The routines of one module by folded routine name. Lookups come module
  // by module (definitions, then map records), so the small index of the
  // current module stays in cache however large the table.
  struct ModuleRoutines {
    std::string folded;  // the folded module name
    struct Slot {
      RoutineEntry* entry;  // the key is the entry's folded routine name
    };
    FlatIndex<Slot> routines;
  };
  struct ModuleSlot {
    ModuleRoutines* module;
  };
  // Every module with an entry, by folded module name.
  FlatIndex<ModuleSlot> modules;
  std::deque<ModuleRoutines> moduleStore;  // the modules themselves
  ModuleRoutines* lastModule = nullptr;    // the module looked up last
  std::string scratch;                     // folded names of the current lookup
  std::string scratchModule;  // folded module name of the current lookup
};

// Returns the entry of routine `routine` in module `module`, creating it when
// missing and `create` is set; null when either name is empty or the entry
// is missing and not created. Throws FatalError when memory runs out.
RoutineEntry* lookupOrAddRoutine(RoutineTable& table, std::string_view module,
                                 std::string_view routine, bool create);

// Returns the routine that the name `name`, used in module `module`, means:
// the module's own routine of that name, else the public one of that name
// whose module sorts last; with an empty module, the first of that name in
// routine order. Null when there is none.
RoutineEntry* findCalledRoutine(RoutineTable& table, std::string_view module,
                                std::string_view name);

// Appends callee to entry's calls unless it is there already.
void addCall(RoutineTable& table, RoutineEntry* entry, RoutineEntry* callee);

// Appends caller to entry's callers unless it is there already.
void addCaller(RoutineTable& table, RoutineEntry* entry, RoutineEntry* caller);

// Records that caller calls callee: appends callee to caller's calls unless
// it is there already and, when it was not and `withCaller` is set, caller
// to callee's callers. Lists filled only through here, with the same
// `withCaller` throughout, hold a pair in both or in neither, so the caller
// list is not searched.
bool addCallPair(RoutineTable& table, RoutineEntry* caller,
                 RoutineEntry* callee, bool withCaller, CallSite site = {});

// Puts entries added since the last sort into routine order.
void ensureRoutineOrder(RoutineTable& table);

// Releases every entry and its lists; the table is empty afterwards.
void freeRoutineTable(RoutineTable& table);

}  // namespace memtally

#endif  // MEMTALLY_ROUTINES_ROUTINE_TABLE_H_
