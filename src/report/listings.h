// The optional listings: detailed analysis, unused routines, callers.
#ifndef MEMTALLY_REPORT_LISTINGS_H_
#define MEMTALLY_REPORT_LISTINGS_H_

#include <span>
#include <vector>

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

// Returns the table's entries by full name; entries whose full names are
// equal keep their order in the table. The unused listing and, after it,
// the callers listing show the routines in this order.
std::vector<const RoutineEntry*> fullNameOrder(const RoutineTable& table);

// Returns the routines that `entry` calls, by compareByTotal.
std::vector<const RoutineEntry*> calleesByTotal(const RoutineEntry& entry);

// Returns the routines that call `entry`, by compareByRoutineName.
std::vector<const RoutineEntry*> callersByName(const RoutineEntry& entry);

struct BoundFacts;

// Prints every computed routine of the table, in table order, with its
// sizes and its callees by compareByTotal, then the stack of every task.
// In bound mode (`bound` given) the external routines a routine calls join
// its callees by their annotated size, "?" for one without.
void printDetailedAnalysis(const RoutineTable& table, Console& console,
                           const BoundFacts* bound = nullptr);

// Prints the routines of `order` that no computation reached.
void printUnusedRoutines(std::span<const RoutineEntry* const> order,
                         Console& console);

// Prints every routine of `order` that has callers, with its callers by
// compareByRoutineName.
void printCallers(std::span<const RoutineEntry* const> order,
                  Console& console);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_LISTINGS_H_
