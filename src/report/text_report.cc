#include "report/text_report.h"

#include "base/options.h"
#include "report/chain_listing.h"
#include "report/listings.h"
#include "report/summary.h"

namespace memtally {

void writeTextReport(Console& console, RoutineTable& table,
                     const Analysis& analysis, int options, bool withChains) {
  if (analysis.top == nullptr) return;
  printSummary(console, *analysis.top, analysis.total, analysis.applicationMode,
               analysis.target, analysis.staticRam);
  if (withChains) printCallChains(console, table, *analysis.top);
  if (options & OPT_DETAIL) printDetailedAnalysis(table, console);
  if (options & OPT_UNUSED) printUnusedRoutines(table, console);
  if (options & OPT_CALLERS) printCallers(table, console);
}

}  // namespace memtally
