// The pieces of Graphviz DOT text that carry names: quoted strings for IDs
// and labels, and generated identifiers for nodes and module clusters, so
// that no routine or file name can break the syntax of the graph.
#ifndef MEMTALLY_REPORT_DOT_WRITER_H_
#define MEMTALLY_REPORT_DOT_WRITER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace memtally {

// Appends text as a double-quoted DOT string, quotes included: '"' and '\'
// escaped (so a label shows them, and no \N or \G escape can form), '&' as
// &amp; (so no HTML entity can form), a line feed as \n (a line break in a
// label), every other control character as U+FFFD (SVG cannot hold them),
// and bytes that are not valid UTF-8 read as Latin-1.
void appendDotString(std::string& out, std::string_view text);

// Returns text as appendDotString writes it.
std::string dotString(std::string_view text);

// The node identifier of the routine at `index` (from 0): r1, r2, ...
std::string dotNodeId(size_t index);

// The identifier of the cluster of the module at `index` (from 0):
// cluster_m1, cluster_m2, ... (Graphviz draws a subgraph as a box only when
// its name begins with "cluster").
std::string dotClusterId(size_t index);

// The node identifier of the external routine at `index` (from 0): x1, x2,
// ...
std::string dotExternalNodeId(size_t index);

// The identifier of the cluster of the recursion at `index` (from 0):
// cluster_recursion_1, cluster_recursion_2, ...
std::string dotRecursionClusterId(size_t index);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_DOT_WRITER_H_
