// The text report on standard output, after the progress lines: the
// estimate, the deepest call chains of --path and the listings of -d, -u and
// -c.
#ifndef MEMTALLY_REPORT_TEXT_REPORT_H_
#define MEMTALLY_REPORT_TEXT_REPORT_H_

#include "base/console.h"
#include "report/analysis.h"
#include "routines/routine_table.h"

namespace memtally {

// Prints the report of `analysis`: nothing without a top routine; else the
// estimate, the chains when `withChains` is set, then the listings that the
// OPT_... bits of `options` ask for, in the order detailed, unused, callers.
// The listings sort the table's lists and, with -u, the table itself.
void writeTextReport(Console& console, RoutineTable& table,
                     const Analysis& analysis, int options, bool withChains);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_TEXT_REPORT_H_
