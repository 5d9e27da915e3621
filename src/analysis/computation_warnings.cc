#include "analysis/computation_warnings.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace memtally {

Warning aboutRoutine(const Analysis& analysis, const RoutineEntry& entry,
                     WarningKind kind, std::string message) {
  Warning warning;
  warning.source = WarningSource::kComputation;
  if (isDefinedInModule(analysis, entry)) {
    warning.file = analysis.modules[entry.definitionModule].file;
    warning.line = entry.definitionLine;
    warning.column = entry.definitionColumn;
  } else {
    warning.file = analysis.mapFile;
  }
  warning.kind = kind;
  warning.message = std::move(message);
  return warning;
}

namespace {

// The recursion warning of one cut call, at the call's site when known.
Warning aboutCut(const Analysis& analysis, const Cut& cut) {
  const RoutineEntry& caller = *cut.caller;
  const RoutineEntry& callee = *cut.callee;
  Warning warning = aboutRoutine(
      analysis, caller, WarningKind::kRecursion,
      &callee == &caller
          ? "recursion: " + std::string(caller.fullName) +
                " calls itself; the call counts 0 bytes"
          : "recursion: the call of " + std::string(callee.fullName) +
                " from " + std::string(caller.fullName) + " counts 0 bytes");
  if (cut.site.line != 0 && cut.site.module < analysis.modules.size()) {
    warning.file = analysis.modules[cut.site.module].file;
    warning.line = cut.site.line;
    warning.column = cut.site.column;
  }
  return warning;
}

// The recursion warnings of one computed routine, in the order of its calls.
void addCutCalls(Analysis& analysis, std::vector<const Cut*>& cuts) {
  std::sort(cuts.begin(), cuts.end(), [](const Cut* a, const Cut* b) {
    return a->index < b->index;
  });
  for (const Cut* cut : cuts) analysis.warnings.add(aboutCut(analysis, *cut));
}

// Warns, at the top routine's definition, when more than one module defines
// a routine of the top routine's name: the estimate is for the first of
// them in routine order, which the source does not choose.
void noteAmbiguousTop(Analysis& analysis) {
  const RoutineTable& table = *analysis.table;
  const RoutineRun* run = findRun(table, analysis.top->routineName());
  if (run == nullptr) return;
  std::string modules;
  uint32_t count = 0;
  for (uint32_t i = run->begin; i < run->end; ++i) {
    const RoutineEntry& entry = *table.entries[i];
    if ((entry.flags & ROUTINE_DEFINED) == 0) continue;
    if (count++ > 0) modules += ", ";
    modules += entry.moduleName();
  }
  if (count < 2) return;
  analysis.warnings.add(aboutRoutine(
      analysis, *analysis.top, WarningKind::kTopAmbiguous,
      std::string(analysis.top->routineName()) + " is defined in " +
          std::to_string(count) + " modules (" + modules +
          "); the estimate is for " + std::string(analysis.top->fullName)));
}

}  // namespace

void addComputationWarnings(Analysis& analysis) {
  if (analysis.top != nullptr) noteAmbiguousTop(analysis);
  // The cut calls of each caller, which are few beside the calls.
  std::unordered_map<const RoutineEntry*, std::vector<const Cut*>> cuts;
  for (const Cut& cut : analysis.cuts) cuts[cut.caller].push_back(&cut);
  WarningLog& log = analysis.warnings;
  for (const RoutineEntry* entry : analysis.table->entries) {
    if (!cuts.empty()) {
      const auto found = cuts.find(entry);
      if (found != cuts.end()) addCutCalls(analysis, found->second);
    }
    if (entry == analysis.top && analysis.topReachedFrom != nullptr) {
      log.add(aboutRoutine(
          analysis, *entry, WarningKind::kMainFromTask,
          std::string(entry->fullName) + " is reached from task " +
              std::string(analysis.topReachedFrom->fullName) +
              "; it is counted with an overhead of 9 bytes, not 15"));
    }
    if (entry->totalWrapped) {
      log.add(aboutRoutine(analysis, *entry, WarningKind::kWrapAround,
                           "the total of " + std::string(entry->fullName) +
                               " exceeds 4294967295 bytes and wraps around"));
    }
  }
  if (analysis.top != nullptr && analysis.applicationMode &&
      uint64_t{analysis.total} + analysis.staticRam > UINT32_MAX) {
    Warning warning;
    warning.source = WarningSource::kComputation;
    warning.file = analysis.mapFile;
    warning.kind = WarningKind::kWrapAround;
    warning.message =
        "the estimate of the application with its static variables exceeds "
        "4294967295 bytes and wraps around";
    log.add(std::move(warning));
  }
}

}  // namespace memtally
