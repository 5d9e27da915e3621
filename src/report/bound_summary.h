// The line bound mode adds to the estimate: what kind of bound its total is.
#ifndef MEMTALLY_REPORT_BOUND_SUMMARY_H_
#define MEMTALLY_REPORT_BOUND_SUMMARY_H_

#include <string>

#include "analysis/analysis.h"

namespace memtally {

// The line, with its newline, that says whether the total of a bound-mode
// estimate is an upper bound, one given the annotations of its file, or a
// lower bound, and how many things below it bound mode cannot see. The
// analysis must have a top routine.
std::string boundSummaryLine(const Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_BOUND_SUMMARY_H_
