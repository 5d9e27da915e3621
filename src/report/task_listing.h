// The text of --tasks: every task start with its stack array, what the
// array holds and what the task needs.
#ifndef MEMTALLY_REPORT_TASK_LISTING_H_
#define MEMTALLY_REPORT_TASK_LISTING_H_

#include "analysis/analysis.h"
#include "base/console.h"

namespace memtally {

// Prints, after an empty line, a heading and one row per task start in
// project order: the task, the stack array, where it is declared, the bytes
// it holds, the bytes the task needs and the spare bytes, "-" for what is
// not known, and "too small" or "unchecked" where the start does not fit or
// cannot be checked ("unchecked: needs at least 38" in bound mode, where the
// need is only a lower bound). Nothing when the project starts no task.
void printTaskStacks(Console& console, const Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_TASK_LISTING_H_
