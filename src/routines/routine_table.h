// The routine table: every Sub and Function of the application, with its
// sizes from the map file, its computed stack figures, and the routines it
// calls and is called by.
#ifndef MEMTALLY_ROUTINES_ROUTINE_TABLE_H_
#define MEMTALLY_ROUTINES_ROUTINE_TABLE_H_

#include <cstdint>
#include <functional>
#include <memory_resource>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/name_map.h"

namespace memtally {

inline constexpr uint32_t ROUTINE_DEFINED = 0x01;   // a definition was seen
inline constexpr uint32_t ROUTINE_PRIVATE = 0x02;   // declared Private
inline constexpr uint32_t ROUTINE_FUNCTION = 0x04;  // a Function, not a Sub
inline constexpr uint32_t ROUTINE_TASK = 0x08;      // started by calltask
inline constexpr uint32_t ROUTINE_VISITING = 0x10;  // on the computed path
// Bound mode: a stack annotation gives its total, all it calls included.
inline constexpr uint32_t ROUTINE_STACK_ANNOTATED = 0x20;

// Bound mode: what a routine's total is, from best to worst. A total is
// exact when nothing annotated or unknown lies below it, bounded when it
// depends on annotations and nothing unknown, and only a lower bound when an
// external routine without a size or a recursion without a depth lies below.
enum class BoundStatus : uint8_t { kExact = 0, kBounded = 1, kAtLeast = 2 };

// What the map file's reading noted of a routine, for its warnings.
inline constexpr uint8_t MAP_SIZED_PARAMETERS = 0x01;  // sized by a stretch
inline constexpr uint8_t MAP_SIZED_LOCALS = 0x02;      // of that section
inline constexpr uint8_t MAP_WARNED_UNDEFINED = 0x04;  // named, undefined

// Slots added each time the table or one of its lists runs full.
inline constexpr int32_t kTableCapacityStep = 100;
inline constexpr int32_t kListCapacityStep = 25;

struct RoutineEntry;

// A list of routines without duplicates, in the order they were first added.
// The entries are the table's; the list only refers to them.
struct RoutineRefList {
  explicit RoutineRefList(std::pmr::memory_resource* arena) : items(arena) {}

  std::pmr::vector<RoutineEntry*> items;
  // Slots counted in steps of kListCapacityStep. The storage of `items` grows
  // as it likes; the count only tells which out-of-memory message to print.
  int32_t capacity = 0;
  // Every item, once the list has been searched while too long to search
  // item by item, so that a routine calling thousands of others takes a new
  // one in constant time. Lists that are never searched never have one.
  std::pmr::unordered_set<const RoutineEntry*>* members = nullptr;

  int32_t count() const { return static_cast<int32_t>(items.size()); }

  // True when the list holds `entry`. Throws std::bad_alloc when the set of
  // members of a long list cannot be made.
  bool holds(const RoutineEntry* entry);

  // Appends `entry`, which the list must not hold yet.
  void append(RoutineEntry* entry);
};

// One routine, known by its module name and routine name.
struct RoutineEntry {
  uint32_t flags = 0;  // ROUTINE_... bits

  // Sizes from the map file.
  uint32_t paramBytes = 0;  // formal parameters
  uint32_t localBytes = 0;  // local variables

  // Where it is defined: the module's position in the project file and the
  // physical line and byte column of the name in its definition; line 0
  // when only the map names it.
  uint32_t definitionModule = 0;
  uint32_t definitionLine = 0;
  uint32_t definitionColumn = 1;

  // Figures of the requirement computation.
  uint32_t invocationOverhead = 0;      // call overhead charged: 9 or 15
  uint32_t calleeBytes = 0;             // largest requirement among its callees
  uint32_t totalBytes = 0;              // its requirement; 0 until computed
  // Bound mode: 1 + the index of its recursion in the analysis's list; 0
  // when it is in none.
  uint32_t recursion = 0;
  RoutineEntry* worstCallee = nullptr;  // the callee that gave calleeBytes

  // Where the scanner recorded the sites of its calls: siteCount of them,
  // from position firstSite of the project's call sites (scan/call_sites.h).
  uint32_t firstSite = 0;
  uint32_t siteCount = 0;

  // Lists held by the table; null until their first item.
  RoutineRefList* calls = nullptr;    // routines it calls
  RoutineRefList* callers = nullptr;  // routines calling it (with -c)

  bool totalWrapped = false;  // its total exceeded 32 bits and wrapped
  bool wrapReached = false;   // its total or one it took wrapped
  uint8_t mapMarks = 0;       // MAP_... bits
  BoundStatus bound = BoundStatus::kExact;  // bound mode: its total's status

  // Its names, held by the table and never changed once the entry is made.
  int32_t nameOffset = 0;       // where the routine name starts in both
  std::string_view fullName;    // module name, '.', routine name, as read
  std::string_view foldedName;  // fullName with A to Z folded, for ordering

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

// Compares two routines in routine order: routine name case-insensitively,
// then the length of the module name (shorter first), then the module name
// case-insensitively.
int compareRoutineOrder(const RoutineEntry& a, const RoutineEntry& b);

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

// The routines sharing one routine name, which call resolution chooses from:
// entries `begin` to `end` of the table in routine order, so ordered by
// module.
struct RoutineRun {
  uint32_t begin;
  uint32_t end;
  RoutineEntry* lastPublic;  // the last without ROUTINE_PRIVATE, or null
  uint32_t publicCount;      // how many lack ROUTINE_PRIVATE
};

// The table of all routines of one run.
struct RoutineTable {
  RoutineTable();
  RoutineTable(const RoutineTable&) = delete;
  RoutineTable& operator=(const RoutineTable&) = delete;

  // The entries, each followed by its names, and the lists, each followed
  // by its first items, live in `arena`, where they were made, and the nodes
  // of the maps below in `mapArena`, until freeRoutineTable releases both at
  // once. The entries so lie together, in the order the modules define them.
  std::pmr::monotonic_buffer_resource arena;
  std::pmr::monotonic_buffer_resource mapArena;

  // Every entry: in the order made, and in routine order once
  // ensureRoutineOrder has run.
  std::vector<RoutineEntry*> entries;
  int32_t capacity = 0;  // slots counted in steps of kTableCapacityStep

  int32_t count() const { return static_cast<int32_t>(entries.size()); }

  // When set, an allocation at a site for which it returns true fails as if
  // memory had run out.
  std::function<bool(AllocationSite)> failAllocation;

  // Every entry by module name, then routine name.
  NameMap<NameMap<RoutineEntry*>> modules;
  // Every routine name's run, as ensureRoutineOrder last found them.
  NameMap<RoutineRun> runs;
};

// Returns the entry of routine `routine` in module `module`, creating it when
// missing and `create` is set; null when either name is empty or the entry
// is missing and not created. Throws FatalError when memory runs out.
RoutineEntry* lookupOrAddRoutine(RoutineTable& table, std::string_view module,
                                 std::string_view routine, bool create);

// Puts the entries into routine order and records the run of every routine
// name, which findCalledRoutine reads. Runs after every pass that creates
// entries, before calls are resolved or the table is walked in order.
void ensureRoutineOrder(RoutineTable& table);

// Returns the routine that the name `name`, used in module `module`, means:
// the module's own routine of that name, else the public one of that name
// whose module sorts last; with an empty module, the first of that name in
// routine order. Null when there is none. Sees the runs as
// ensureRoutineOrder last recorded them.
// The run it chose from goes to `run`, when given.
RoutineEntry* findCalledRoutine(const RoutineTable& table,
                                std::string_view module, std::string_view name,
                                const RoutineRun** run = nullptr);

// Returns the run of the routines named `name`, whatever their module, as
// ensureRoutineOrder last recorded it; null when there is none.
const RoutineRun* findRun(const RoutineTable& table, std::string_view name);

// Records that `caller` calls `callee`, unless it is recorded already:
// appends callee to caller's calls and, with `withCaller`, caller to callee's
// callers. Returns whether the call was new.
bool addCall(RoutineTable& table, RoutineEntry* caller, RoutineEntry* callee,
             bool withCaller = false);

// The full names of the first `named` routines, separated by ", ", then
// " and N more" for the rest: how a message names a list of any length.
template <typename Routines>
std::string firstNames(const Routines& routines, size_t named = 3) {
  std::string names;
  size_t count = 0;
  for (const RoutineEntry* routine : routines) {
    if (count < named) {
      if (count > 0) names += ", ";
      names += routine->fullName;
    }
    ++count;
  }
  if (count > named) {
    names += " and " + std::to_string(count - named) + " more";
  }
  return names;
}

// Releases every entry and its lists; the table is empty afterwards.
void freeRoutineTable(RoutineTable& table);

}  // namespace memtally

#endif  // MEMTALLY_ROUTINES_ROUTINE_TABLE_H_
