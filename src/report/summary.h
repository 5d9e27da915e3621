// The estimate block of the report.
#ifndef MEMTALLY_REPORT_SUMMARY_H_
#define MEMTALLY_REPORT_SUMMARY_H_

#include <cstdint>
#include <string_view>

#include "base/console.h"
#include "routines/routine_table.h"

namespace memtally {

// Prints the estimate for the top routine: the application's (with static
// RAM) in application mode, else the one of the routine named `target`.
void printSummary(Console& console, const RoutineEntry& top, uint32_t total,
                  bool applicationMode, std::string_view target,
                  uint32_t staticRam);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_SUMMARY_H_
