// The worst-case stack requirement of a routine over the call graph.
#ifndef MEMTALLY_REPORT_REQUIREMENT_H_
#define MEMTALLY_REPORT_REQUIREMENT_H_

#include <cstdint>

#include "routines/routine_table.h"

namespace memtally {

// Invocation overhead of a callee, a task, or a top routine other than main.
inline constexpr uint32_t kCalleeOverhead = 9;
// Invocation overhead of the top routine main.
inline constexpr uint32_t kMainOverhead = 15;

// Computes and stores the requirement of entry and of every routine it
// reaches, invoked with `overhead`; returns it (0 for no entry and for a
// routine already on the path being computed). A routine is computed once:
// later requests get its stored total, whatever overhead they ask for, and a
// call back into a routine on the current path adds nothing. Callees are
// visited in the order of their caller's call list, each with the callee
// overhead; the descent keeps its own stack, so any depth of calls is safe.
uint32_t computeRequirement(RoutineEntry* entry, uint32_t overhead);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_REQUIREMENT_H_
