// The worst-case stack requirement of a routine over the call graph.
#ifndef MEMTALLY_ANALYSIS_REQUIREMENT_H_
#define MEMTALLY_ANALYSIS_REQUIREMENT_H_

#include <cstdint>
#include <vector>

#include "routines/routine_table.h"
#include "scan/call_sites.h"

namespace memtally {

// Invocation overhead of a callee, a task, or a top routine other than main.
inline constexpr uint32_t kCalleeOverhead = 9;
// Invocation overhead of the top routine main.
inline constexpr uint32_t kMainOverhead = 15;
// Bytes a task's stack holds beyond the task's total.
inline constexpr uint32_t kTaskStackExtra = 6;

// A call that the computation cut as a recursion: when `caller` was
// computed, `callee`, at `index` of its call list, was on the path being
// computed, so the call added nothing. The site is where the call stands;
// line 0 while unknown.
struct Cut {
  const RoutineEntry* caller;
  const RoutineEntry* callee;
  uint32_t index;
  CallSite site;
};

// Computes and stores the requirement of entry and of every routine it
// reaches, invoked with `overhead`; returns it (0 for no entry and for a
// routine already on the path being computed). A routine is computed once:
// later requests get its stored total, whatever overhead they ask for, and a
// call back into a routine on the current path adds nothing. Callees are
// visited in the order of their caller's call list, each with the callee
// overhead; the descent keeps its own stack, so any depth of calls is safe.
// Besides the figures it records on every routine it computes the callee
// that gave calleeBytes (the first in call-list order whose result raised
// the largest; none when it stays 0), whether the total wrapped around, and
// whether it or a total it took from a callee, at any depth, wrapped;
// every call it cuts is appended to `cuts`, when given, without a site.
uint32_t computeRequirement(RoutineEntry* entry, uint32_t overhead,
                            std::vector<Cut>* cuts = nullptr);

// True when the requirement of the routine has been computed. Its total
// alone cannot tell, since a sum that wraps around may be 0.
bool isComputed(const RoutineEntry& entry);

// The stack a task needs: its total and kTaskStackExtra, modulo 2^32.
inline uint32_t taskStackBytes(const RoutineEntry& task) {
  return task.totalBytes + kTaskStackExtra;
}

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_REQUIREMENT_H_
