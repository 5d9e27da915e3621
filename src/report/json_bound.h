// The members of the --json document that only bound mode writes: what a
// routine's bound came from, and the recursions, the external routines and
// the annotations of the analysis.
#ifndef MEMTALLY_REPORT_JSON_BOUND_H_
#define MEMTALLY_REPORT_JSON_BOUND_H_

#include "analysis/analysis.h"
#include "report/json_writer.h"

namespace memtally {

// Writes the members "worstExternal" and "recursion" of a routine that
// bound mode reached.
void writeBoundRoutine(JsonWriter& json, const Analysis& analysis,
                       const RoutineEntry& entry);

// Writes the members "recursions", "externalCalls" and "annotations".
void writeBoundFindings(JsonWriter& json, const Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_JSON_BOUND_H_
