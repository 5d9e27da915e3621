// The text report on standard output, after the progress lines: the
// estimate, the deepest call chains of --path and the listings of -d, -u and
// -c.
#ifndef MEMTALLY_REPORT_TEXT_REPORT_H_
#define MEMTALLY_REPORT_TEXT_REPORT_H_

#include "analysis/analysis.h"
#include "base/console.h"

namespace memtally {

// Prints the report of `analysis`: when the top routine was found, the
// estimate, the chains when `withChains` is set, then the listings that the
// OPT_... bits of `options` ask for, in the order detailed, unused, callers;
// last, when `withTasks` is set, the task stack checks. With -u the
// callers listing follows the unused listing's order, by full name;
// without it, routine order.
void writeTextReport(Console& console, const Analysis& analysis, int options,
                     bool withChains, bool withTasks = false);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_TEXT_REPORT_H_
