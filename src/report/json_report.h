// The --json document: the whole analysis, for programs, with every name
// written whole.
#ifndef MEMTALLY_REPORT_JSON_REPORT_H_
#define MEMTALLY_REPORT_JSON_REPORT_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "base/console.h"
#include "analysis/analysis.h"

namespace memtally {

// The schema the document follows and names in its "$schema" member.
inline constexpr char kReportSchemaId[] =
    "urn:memtally:report-schema";

// Writes the document of the analysis on standard output: its mode, the
// estimate, every routine of the table in routine order, the tasks, the
// unused routines, the deepest call chains, the warnings and, when `budget`
// is given, its verdict. In bound mode every total says its bound, and the
// recursions, the external routines and the annotations follow the chains.
// The document is made whole before any of it is written, so that a run
// that fails on the way leaves standard output empty.
// `closing` holds the messages the run writes on standard error after the
// document; the document's messages are the analysis's, then those.
void writeJsonReport(Console& console, const Analysis& analysis,
                     std::optional<uint32_t> budget,
                     const std::vector<Message>& closing = {});

}  // namespace memtally

#endif  // MEMTALLY_REPORT_JSON_REPORT_H_
