#include "report/computation_warnings.h"

#include <map>
#include <string>
#include <utility>

#include "report/call_chain.h"

namespace memtally {
namespace {

// A warning about `entry`, placed at its definition, or in the map file
// when only the map names it.
Warning aboutRoutine(const Analysis& analysis, const RoutineEntry& entry,
                     WarningKind kind, std::string message) {
  Warning warning;
  warning.source = WarningSource::kComputation;
  if (entry.definitionLine != 0 &&
      entry.definitionModule < analysis.modules.size()) {
    warning.file = analysis.modules[entry.definitionModule].file;
    warning.line = entry.definitionLine;
  } else {
    warning.file = analysis.mapFile;
  }
  warning.kind = kind;
  warning.message = std::move(message);
  return warning;
}

using Call = std::pair<const RoutineEntry*, const RoutineEntry*>;

// The sites of the calls cut as recursions, found in one pass over all the
// calls recorded.
std::map<Call, CallSite> cutCallSites(const Analysis& analysis) {
  std::map<Call, CallSite> sites;
  for (const CallRecord& record : analysis.callSites.records) {
    if (isCutCall(*record.caller, *record.callee)) {
      sites.emplace(Call(record.caller, record.callee), record.site);
    }
  }
  return sites;
}

// The recursion warnings of one computed routine, call by call.
void addCutCalls(const Analysis& analysis,
                 const std::map<Call, CallSite>& sites,
                 const RoutineEntry& caller, WarningLog& log) {
  if (caller.calls == nullptr) return;
  for (const RoutineEntry* called : caller.calls->items) {
    const RoutineEntry& callee = *called;
    if (!isCutCall(caller, callee)) continue;
    Warning warning = aboutRoutine(
        analysis, caller, WarningKind::kRecursion,
        &callee == &caller
            ? "recursion: " + std::string(caller.fullName) +
                  " calls itself; the call counts 0 bytes"
            : "recursion: the call of " + std::string(callee.fullName) +
                  " from " + std::string(caller.fullName) + " counts 0 bytes");
    const auto site = sites.find(Call(&caller, &callee));
    if (site != sites.end() && site->second.module < analysis.modules.size()) {
      warning.file = analysis.modules[site->second.module].file;
      warning.line = site->second.line;
    }
    log.add(std::move(warning));
  }
}

}  // namespace

void addComputationWarnings(const RoutineTable& table, const Analysis& analysis,
                            WarningLog& log) {
  const std::map<Call, CallSite> sites = cutCallSites(analysis);
  for (const RoutineEntry* entry : table.entries) {
    addCutCalls(analysis, sites, *entry, log);
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
  const std::optional<uint32_t> printed = printedTotal(analysis);
  if (printed && analysis.applicationMode &&
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
