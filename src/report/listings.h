// The optional listings: detailed analysis, unused routines, callers.
#ifndef MEMTALLY_REPORT_LISTINGS_H_
#define MEMTALLY_REPORT_LISTINGS_H_

#include "base/console.h"
#include "routines/routine_table.h"

namespace memtally {

// Orders callees: the larger total first, then by routine name, then by full
// name (names case-insensitively). Negative, 0 or positive as a sorts
// before, together with or after b.
int compareByTotal(const RoutineEntry& a, const RoutineEntry& b);

// Orders callers by routine name, then by full name, case-insensitively.
int compareByRoutineName(const RoutineEntry& a, const RoutineEntry& b);

// Orders routines by full name, case-insensitively.
int compareByFullName(const RoutineEntry& a, const RoutineEntry& b);

// Sorts every call list by compareByTotal, then prints every computed
// routine with its sizes and callees, then the stack of every task.
void printDetailedAnalysis(RoutineTable& table, Console& console);

// Re-sorts the table's entries by full name, for good, and prints the
// routines no computation reached.
void printUnusedRoutines(RoutineTable& table, Console& console);

// Sorts every caller list by compareByRoutineName and prints every routine
// that has callers, with its callers, in the table's current order.
void printCallers(RoutineTable& table, Console& console);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_LISTINGS_H_
