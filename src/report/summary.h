// The estimate block of the report.
#ifndef MEMTALLY_REPORT_SUMMARY_H_
#define MEMTALLY_REPORT_SUMMARY_H_

#include <cstdint>
#include <string_view>

#include "base/console.h"
#include "routines/routine_table.h"

namespace memtally {

// Prints the estimate for the computed top routine, whose requirement is
// `total`: the application's in application mode, where static RAM is shown
// and added to the total, else the one of the routine named `target` (the
// name as the user typed it).
void printSummary(Console& console, const RoutineEntry& top, uint32_t total,
                  bool applicationMode, std::string_view target,
                  uint32_t staticRam);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_SUMMARY_H_
