// What one analysis of a BasicX project found: the facts that the text
// report, the JSON document and the call graph are written from. Writers
// only read it.
#ifndef MEMTALLY_ANALYSIS_ANALYSIS_H_
#define MEMTALLY_ANALYSIS_ANALYSIS_H_

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "analysis/bound.h"
#include "analysis/progress.h"
#include "analysis/requirement.h"
#include "analysis/task_stacks.h"
#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/project_reader.h"

namespace memtally {

struct Analysis {
  // Every routine, in routine order, with its sizes, lists and figures.
  std::unique_ptr<RoutineTable> table = std::make_unique<RoutineTable>();

  std::string projectFile;             // the project file's path: "Blink.bxp"
  std::string mapFile;                 // the map file's path: "Blink.mpp"
  std::tm time{};                      // when the analysis ran, local time
  std::vector<ProjectModule> modules;  // as the project file lists them
  uint32_t staticRam = 0;              // from the map file

  bool applicationMode = true;  // no -t: the whole application
  std::string target;           // "main", or the -t name as typed
  uint32_t overhead = 0;        // what the top routine was asked for: 9, 15
  const RoutineEntry* top = nullptr;  // the top routine; null when not found
  uint32_t total = 0;                 // the top routine's requirement
  // The task whose computation reached the top routine before it was asked
  // for, so that it kept the overhead 9; null when none did.
  const RoutineEntry* topReachedFrom = nullptr;

  // Every routine started by calltask, in routine order.
  std::vector<const RoutineEntry*> tasks;
  // Every call the computation cut as a recursion, in the order met.
  std::vector<Cut> cuts;
  // Whatever makes the estimate doubtful; --check prints it.
  WarningLog warnings;
  // The messages the analysis produced, in order, as progress was told.
  std::vector<Message> messages;

  // What the modules declare, every calltask line in project order, and the
  // check of each one's stack array, in the same order.
  ProjectDeclarations declarations;
  std::vector<TaskStart> taskStarts;
  std::vector<TaskStack> taskStacks;

  // Bound mode: the totals of the table, of the top routine and of the
  // tasks are bound-mode totals, each with a status; nothing is cut.
  bool boundMode = false;
  BoundFacts bound;

  // True when the call of `callee` by `caller` was cut as a recursion.
  bool isCut(const RoutineEntry& caller, const RoutineEntry& callee) const {
    return cutCalls.count({&caller, &callee}) != 0;
  }

  // The calls of `cuts`, for isCut.
  std::set<std::pair<const RoutineEntry*, const RoutineEntry*>> cutCalls;
};

// The total the estimate prints: the top routine's, with the static RAM in
// application mode (modulo 2^32); none without a top routine.
inline std::optional<uint32_t> printedTotal(const Analysis& analysis) {
  if (analysis.top == nullptr) return std::nullopt;
  return analysis.applicationMode ? analysis.total + analysis.staticRam
                                  : analysis.total;
}

// True when the total the estimate prints, or one it was made from, wrapped
// around: the printed number then says nothing about the real one.
inline bool estimateWrapped(const Analysis& analysis) {
  return analysis.top != nullptr &&
         (analysis.top->wrapReached ||
          (analysis.applicationMode &&
           uint64_t{analysis.total} + analysis.staticRam > UINT32_MAX));
}

// True when a module of the project defines `entry`; false for a routine
// that only the map file names.
inline bool isDefinedInModule(const Analysis& analysis,
                              const RoutineEntry& entry) {
  return entry.definitionLine != 0 &&
         entry.definitionModule < analysis.modules.size();
}

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_ANALYSIS_H_
