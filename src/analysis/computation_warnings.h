// The warnings of the requirement computation: calls cut as recursions, main
// computed for a task, totals that wrap around.
#ifndef MEMTALLY_ANALYSIS_COMPUTATION_WARNINGS_H_
#define MEMTALLY_ANALYSIS_COMPUTATION_WARNINGS_H_

#include <string>

#include "base/warning_log.h"
#include "analysis/analysis.h"

namespace memtally {

// Adds to the analysis's warnings those of its computed table, routine by
// routine in routine order: each call of the routine that was cut as a
// recursion, at the line of the call; for the top routine main, that a task
// reached it first, so that it was counted with the overhead 9; and a total
// that exceeded 32 bits. A warning is placed at the routine's definition,
// or in the map file when only the map names the routine.
void addComputationWarnings(Analysis& analysis);

// A warning of the computation about `entry`, placed at its definition, or
// in the map file when only the map names it.
Warning aboutRoutine(const Analysis& analysis, const RoutineEntry& entry,
                     WarningKind kind, std::string message);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_COMPUTATION_WARNINGS_H_
