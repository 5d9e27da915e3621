// What one analysis of a BasicX project found: the facts that the text
// report, the JSON document and the call graph are written from.
#ifndef MEMTALLY_REPORT_ANALYSIS_H_
#define MEMTALLY_REPORT_ANALYSIS_H_

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/call_sites.h"
#include "scan/project_reader.h"

namespace memtally {

struct Analysis {
  std::string projectFile;             // the project file's path: "Blink.bxp"
  std::string mapFile;                 // the map file's path: "Blink.mpp"
  std::tm time{};                      // when the analysis ran, local time
  std::vector<ProjectModule> modules;  // as the project file lists them
  uint32_t staticRam = 0;              // from the map file

  bool applicationMode = true;  // no -t: the whole application
  std::string target;           // "main", or the -t name as typed
  uint32_t overhead = 0;        // what the top routine was asked for: 9, 15
  RoutineEntry* top = nullptr;  // the top routine; null when not found
  uint32_t total = 0;           // the top routine's requirement
  // The task whose computation reached the top routine before it was asked
  // for, so that it kept the overhead 9; null when none did.
  const RoutineEntry* topReachedFrom = nullptr;

  WarningLog warnings;  // filled only when warnings were asked for
  CallSites callSites;  // recorded only when warnings were asked for
};

// The total the estimate prints: the top routine's, with the static RAM in
// application mode (modulo 2^32); none without a top routine.
inline std::optional<uint32_t> printedTotal(const Analysis& analysis) {
  if (analysis.top == nullptr) return std::nullopt;
  return analysis.applicationMode ? analysis.total + analysis.staticRam
                                  : analysis.total;
}

}  // namespace memtally

#endif  // MEMTALLY_REPORT_ANALYSIS_H_
