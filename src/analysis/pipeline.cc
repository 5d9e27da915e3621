#include "analysis/pipeline.h"

#include <memory>
#include <utility>

#include "analysis/annotations.h"
#include "analysis/bound.h"
#include "analysis/computation_warnings.h"
#include "analysis/requirement.h"
#include "analysis/task_stacks.h"
#include "base/chars.h"
#include "base/fatal.h"
#include "map/map_reader.h"
#include "scan/call_sites.h"
#include "scan/project_reader.h"

namespace memtally {
namespace {

// Opens the project file, tells `progress`, and scans every module it
// lists; the call sites go to `sites`.
void readProject(FileSystem& files, Progress& progress, const Clock& clock,
                 const AnalysisRequest& request, CallSites& sites,
                 Analysis& analysis) {
  analysis.projectFile = request.project + ".bxp";
  std::unique_ptr<LineReader> projectFile = files.open(analysis.projectFile);
  if (!projectFile) {
    throw FatalError("Can't open the BasicX project file \"" +
                     analysis.projectFile + "\".\n");
  }
  analysis.time = clock();
  progress.projectOpened(analysis.projectFile, analysis.time);
  analysis.modules =
      readProjectFile(*analysis.table, files, progress, *projectFile,
                      request.options,
                      {analysis.warnings, analysis.projectFile, sites,
                       &analysis.declarations, &analysis.taskStarts,
                       analysis.boundMode ? &analysis.bound.externals
                                          : nullptr});
}

// Reads the map file's sizes into the table.
void readMap(FileSystem& files, const AnalysisRequest& request,
             Analysis& analysis) {
  analysis.mapFile = request.project + ".mpp";
  std::unique_ptr<LineReader> mapFile = files.open(analysis.mapFile);
  if (!mapFile) {
    throw FatalError("Can't open the BasicX map file \"" + analysis.mapFile +
                     "\".\n");
  }
  RoutineTable& table = *analysis.table;
  const int32_t defined = table.count();
  analysis.staticRam =
      processMap(table, *mapFile,
                 {analysis.warnings, WarningSource::kMap, 0, analysis.mapFile});
  // Routines that only the map names join the table in routine order: the
  // task pass and the listings walk it so, and the top routine is the first
  // of its run.
  if (table.count() != defined) ensureRoutineOrder(table);
}

// Computes every routine started by calltask, in table order, that no
// earlier task has reached already. When one of them reaches the top routine
// main, which so keeps the overhead of a callee, it is recorded.
void computeTasks(Analysis& analysis, RoutineEntry* top) {
  for (RoutineEntry* entry : analysis.table->entries) {
    if ((entry->flags & ROUTINE_TASK) == 0) continue;
    analysis.tasks.push_back(entry);
    if (isComputed(*entry)) continue;
    const bool topWaiting = top != nullptr && !isComputed(*top);
    computeRequirement(entry, kCalleeOverhead, &analysis.cuts);
    if (topWaiting && isComputed(*top) &&
        analysis.overhead == kMainOverhead) {
      analysis.topReachedFrom = entry;
    }
  }
}

// Computes bound mode's totals, ending the run when the annotations of one
// recursion disagree, and adds its warnings.
void computeBoundAnalysis(Analysis& analysis, RoutineEntry* top) {
  std::vector<AnnotationError> errors =
      computeBound(analysis, top, analysis.overhead);
  if (!errors.empty()) {
    throwAnnotationErrors(analysis.bound.annotationFile, std::move(errors));
  }
  addStaleAnnotationWarnings(analysis);
  addBoundWarnings(analysis);
}

// Gives every cut the site of its call, the first place the call was
// recorded, and makes the cuts known to Analysis::isCut.
void placeCuts(const CallSites& sites, Analysis& analysis) {
  for (Cut& cut : analysis.cuts) {
    cut.site = sites.find(*cut.caller, cut.index);
    analysis.cutCalls.emplace(cut.caller, cut.callee);
  }
}

// Passes progress on and keeps each message in the analysis, so that a
// document can say what standard error said.
class MessageRecorder : public Progress {
 public:
  MessageRecorder(Progress& progress, std::vector<Message>& messages)
      : progress_(progress), messages_(messages) {}

  void projectOpened(std::string_view file, const std::tm& time) override {
    progress_.projectOpened(file, time);
  }
  void scanningModule(std::string_view file) override {
    progress_.scanningModule(file);
  }
  void message(const Message& message) override {
    messages_.push_back(message);
    progress_.message(message);
  }

 private:
  Progress& progress_;
  std::vector<Message>& messages_;
};

}  // namespace

std::tm localClock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

std::optional<Analysis> analyzeProject(FileSystem& files, Progress& shown,
                                       const Clock& clock,
                                       const AnalysisRequest& request) {
  if (request.project.empty()) return std::nullopt;
  Analysis analysis;
  analysis.boundMode = request.bound;
  MessageRecorder progress(shown, analysis.messages);
  analysis.applicationMode = !request.target.has_value();
  analysis.target = analysis.applicationMode ? "main" : *request.target;
  analysis.overhead =
      equalsNoCase(analysis.target, "main") ? kMainOverhead : kCalleeOverhead;

  CallSites sites;
  readProject(files, progress, clock, request, sites, analysis);
  readMap(files, request, analysis);

  if (analysis.boundMode) {
    applyAnnotationFile(files, request.annotationFile, request.project,
                        request.options, analysis);
  }
  RoutineEntry* top =
      findCalledRoutine(*analysis.table, std::string_view(), analysis.target);
  if (analysis.boundMode) {
    computeBoundAnalysis(analysis, top);
  } else {
    computeTasks(analysis, top);
  }
  analysis.top = top;
  if (top == nullptr) {
    progress.message({MessageKind::kTopNotFound,
                      "No public " + analysis.target + "() sub found.\n"});
  } else if (!analysis.boundMode) {
    analysis.total = computeRequirement(top, analysis.overhead, &analysis.cuts);
  }
  placeCuts(sites, analysis);
  addComputationWarnings(analysis);
  checkTaskStacks(analysis);
  return analysis;
}

}  // namespace memtally
