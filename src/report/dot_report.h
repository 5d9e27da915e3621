// The --dot document: the call graph as a Graphviz digraph, one cluster per
// module, with the deepest call chains drawn red and the calls cut as
// recursions dashed.
#ifndef MEMTALLY_REPORT_DOT_REPORT_H_
#define MEMTALLY_REPORT_DOT_REPORT_H_

#include "base/console.h"
#include "analysis/analysis.h"

namespace memtally {

// Writes the graph of the analysis on standard output: the routines that the
// estimate reached (with `withUnreached`, the others too, drawn grey), each
// labelled with its name and total, the top routine bold and the tasks as
// double-bordered boxes with their stack; an edge per call between them.
// In bound mode a lower bound reads "at least N bytes" in a dashed border,
// each recursion is a cluster labelled with its depth (inside its module's
// cluster when all its members share one), and every reached external
// routine is a rounded dashed node with its size, or "size unknown".
// The graph is made whole before any of it is written.
void writeDotReport(Console& console, const Analysis& analysis,
                    bool withUnreached);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_DOT_REPORT_H_
