#include "report/bound_summary.h"
#include "report/text_report.h"

#include <vector>

#include "base/options.h"
#include "report/chain_listing.h"
#include "report/listings.h"
#include "report/summary.h"
#include "report/task_listing.h"

namespace memtally {
namespace {

// The estimate, the chains and the listings of a report whose top routine
// was found.
void writeEstimate(Console& console, const Analysis& analysis, int options,
                   bool withChains) {
  const RoutineTable& table = *analysis.table;
  printSummary(console, *analysis.top, analysis.total, analysis.applicationMode,
               analysis.target, analysis.staticRam);
  if (analysis.boundMode) console.out(boundSummaryLine(analysis));
  if (withChains) printCallChains(console, analysis);
  if (options & OPT_DETAIL) {
    printDetailedAnalysis(table, console,
                          analysis.boundMode ? &analysis.bound : nullptr);
  }
  const std::vector<const RoutineEntry*> order =
      (options & OPT_UNUSED) != 0
          ? fullNameOrder(table)
          : std::vector<const RoutineEntry*>(table.entries.begin(),
                                             table.entries.end());
  if (options & OPT_UNUSED) printUnusedRoutines(order, console);
  if (options & OPT_CALLERS) printCallers(order, console);
}

}  // namespace

void writeTextReport(Console& console, const Analysis& analysis, int options,
                     bool withChains, bool withTasks) {
  if (analysis.top != nullptr) {
    writeEstimate(console, analysis, options, withChains);
  }
  if (withTasks) printTaskStacks(console, analysis);
}

}  // namespace memtally
