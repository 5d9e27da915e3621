// The optional listings: detailed analysis, unused routines, callers.
#ifndef MEMTALLY_REPORT_LISTINGS_H_
#define MEMTALLY_REPORT_LISTINGS_H_

#include "base/console.h"
#include "routines/routine_table.h"

namespace memtally {

// Prints every computed routine with its sizes and callees, then the stack
// of every task.
void printDetailedAnalysis(RoutineTable& table, Console& console);

// Re-sorts the table by full name and prints the routines no computation
// reached.
void printUnusedRoutines(RoutineTable& table, Console& console);

// Prints every routine that has callers, with its callers.
void printCallers(RoutineTable& table, Console& console);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_LISTINGS_H_
