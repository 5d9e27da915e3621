#include "report/listings.h"

namespace memtally {

void printDetailedAnalysis(RoutineTable&, Console&) {}
void printUnusedRoutines(RoutineTable&, Console&) {}
void printCallers(RoutineTable&, Console&) {}

}  // namespace memtally
