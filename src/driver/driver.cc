#include "driver/driver.h"

#include <memory>
#include <new>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/iso_time.h"
#include "base/options.h"
#include "map/map_reader.h"
#include "report/budget.h"
#include "report/computation_warnings.h"
#include "report/dot_report.h"
#include "report/json_report.h"
#include "report/requirement.h"
#include "report/text_report.h"
#include "scan/project_reader.h"

namespace memtally {
namespace {

// Computes every routine started by calltask, in table order, that no
// earlier task has reached already, and returns those it computed.
std::vector<const RoutineEntry*> computeTasks(RoutineTable& table) {
  std::vector<const RoutineEntry*> computed;
  for (int32_t i = 0; i < table.count(); ++i) {
    RoutineEntry* entry = table.entries[static_cast<size_t>(i)];
    if ((entry->flags & ROUTINE_TASK) != 0 && entry->totalBytes == 0) {
      computeRequirement(entry, kCalleeOverhead);
      computed.push_back(entry);
    }
  }
  return computed;
}

// Computes the top routine of the analysis. When main was computed already
// by the task pass, which gave it the overhead of a callee, the task whose
// computation reached it is recorded: the first of `tasks` (those the task
// pass computed, in order) to finish after it.
void computeTop(Analysis& analysis,
                const std::vector<const RoutineEntry*>& tasks) {
  RoutineEntry& top = *analysis.top;
  if (analysis.overhead == kMainOverhead && isComputed(top)) {
    for (const RoutineEntry* task : tasks) {
      if (task->finishOrder >= top.finishOrder) {
        analysis.topReachedFrom = task;
        break;
      }
    }
  }
  analysis.total = computeRequirement(&top, analysis.overhead);
}

// Prints the warnings of --check on standard error, in their order.
void printWarnings(Console& console, const WarningLog& warnings) {
  std::string text;
  for (const Warning& warning : warnings.ordered()) {
    text += formatWarning(warning);
  }
  if (!text.empty()) console.err(text);
}

// Parses the command line. A run that goes wrong there still shows the
// banner before its message, as every report run does, unless it asked for
// a document, which leaves standard output empty on failure.
CommandLine parseOrShowBanner(const std::vector<std::string>& args,
                              Console& console) {
  CommandLine line;
  try {
    parseArguments(args, line);
  } catch (const FatalError&) {
    if (!line.document()) console.out(kBanner);
    throw;
  }
  return line;
}

// The console of a run that writes a document: its messages go to standard
// error as usual, the lines of the text report nowhere.
class DocumentConsole : public Console {
 public:
  explicit DocumentConsole(Console& console) : console_(console) {}
  void out(std::string_view) override {}
  void err(std::string_view text) override { console_.err(text); }

 private:
  Console& console_;
};

// Analyses the project and writes the document asked for. Every message goes
// to standard error, the overlong-line one too, and standard output gets
// nothing unless the analysis is complete.
std::optional<uint32_t> writeDocument(RoutineTable& table, FileSystem& files,
                                      Console& console, const Clock& clock,
                                      const CommandLine& line) {
  DocumentConsole messages(console);
  Analysis analysis;
  // The document holds the callers and the warnings whatever was asked.
  const AnalysisRequest request{*line.project, line.target,
                                line.options | OPT_CALLERS, true};
  try {
    if (!analyzeProject(table, files, messages, clock, request, analysis)) {
      return std::nullopt;
    }
  } catch (const FatalError& error) {
    throw FatalError(error.message(), Stream::kErr);
  }
  if (line.json) {
    writeJsonReport(console, table, analysis, line.budget);
  } else {
    writeDotReport(console, table, analysis, (line.options & OPT_UNUSED) != 0);
  }
  if (line.check) printWarnings(console, analysis.warnings);
  return printedTotal(analysis);
}

// Analyses the project and prints the text report, then the warnings of
// --check.
std::optional<uint32_t> writeReport(RoutineTable& table, FileSystem& files,
                                    Console& console, const Clock& clock,
                                    const CommandLine& line) {
  Analysis analysis;
  const AnalysisRequest request{*line.project, line.target, line.options,
                                line.check};
  if (!analyzeProject(table, files, console, clock, request, analysis)) {
    return std::nullopt;
  }
  writeTextReport(console, table, analysis, line.options, line.path);
  if (line.check) printWarnings(console, analysis.warnings);
  return printedTotal(analysis);
}

// Checks the printed total against the budget of --budget, when one was
// given, and returns the exit status the verdict asks for.
int checkBudget(Console& console, std::optional<uint32_t> printedTotal,
                std::optional<uint32_t> budget) {
  if (!budget) return 0;
  const BudgetVerdict verdict = judgeBudget(printedTotal, *budget);
  if (!verdict.message.empty()) console.err(verdict.message);
  return verdict.status;
}

// Carries out what the command line asks for and returns the exit status;
// fatal conditions leave as FatalError.
int runCommandLine(const std::vector<std::string>& args, FileSystem& files,
                   Console& console, const Clock& clock) {
  const CommandLine line = parseOrShowBanner(args, console);
  if (line.version) {
    console.out(kVersionLine);
    return 0;
  }
  if (line.help) {
    console.out(kBanner);
    console.out(usageText());
    return 0;
  }
  if (!line.document()) console.out(kBanner);
  RoutineTable table;
  const std::optional<uint32_t> total =
      line.document() ? writeDocument(table, files, console, clock, line)
                      : writeReport(table, files, console, clock, line);
  freeRoutineTable(table);
  const int status = checkBudget(console, total, line.budget);
  for (const std::string& arg : line.surplus) {
    console.err("Superfluous option \"" + arg + "\" ignored.\n");
  }
  return status;
}

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

bool analyzeProject(RoutineTable& table, FileSystem& files, Console& console,
                    const Clock& clock, const AnalysisRequest& request,
                    Analysis& analysis) {
  if (request.project.empty()) return false;
  analysis.applicationMode = !request.target.has_value();
  analysis.target = analysis.applicationMode ? "main" : *request.target;
  analysis.overhead =
      equalsNoCase(analysis.target, "main") ? kMainOverhead : kCalleeOverhead;
  WarningLog* const log = request.warnings ? &analysis.warnings : nullptr;

  analysis.projectFile = request.project + ".bxp";
  std::unique_ptr<LineReader> projectFile = files.open(analysis.projectFile);
  if (!projectFile) {
    throw FatalError("Can't open the BasicX project file \"" +
                     analysis.projectFile + "\".\n");
  }
  analysis.time = clock();
  console.out("Analyzing project \"" + analysis.projectFile + "\", " +
              formatTimeStamp(analysis.time));
  CallSites* const sites = log != nullptr ? &analysis.callSites : nullptr;
  analysis.modules =
      readProjectFile(table, files, console, *projectFile, request.options,
                      {log, analysis.projectFile, sites});
  projectFile.reset();

  analysis.mapFile = request.project + ".mpp";
  std::unique_ptr<LineReader> mapFile = files.open(analysis.mapFile);
  if (!mapFile) {
    throw FatalError("Can't open the BasicX map file \"" + analysis.mapFile +
                     "\".\n");
  }
  const int32_t defined = table.count();
  analysis.staticRam = processMap(table, *mapFile, {log, analysis.mapFile});
  mapFile.reset();

  // Routines that only the map names join the table in routine order: the
  // task pass and the listings walk it so, and the top routine is the first
  // of its run.
  if (table.count() != defined) ensureRoutineOrder(table);
  const std::vector<const RoutineEntry*> tasks = computeTasks(table);
  analysis.top = findCalledRoutine(table, std::string_view(), analysis.target);
  if (analysis.top == nullptr) {
    console.err("No public " + analysis.target + "() sub found.\n");
  } else {
    computeTop(analysis, tasks);
  }
  if (log != nullptr) addComputationWarnings(table, analysis, *log);
  return true;
}

std::optional<uint32_t> processProject(RoutineTable& table, FileSystem& files,
                                       Console& console, const Clock& clock,
                                       const std::string& project,
                                       const std::optional<std::string>& target,
                                       int options) {
  Analysis analysis;
  if (!analyzeProject(table, files, console, clock,
                      {project, target, options, false}, analysis)) {
    return std::nullopt;
  }
  writeTextReport(console, table, analysis, options, false);
  return printedTotal(analysis);
}

int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock) {
  int status = 0;
  try {
    status = runCommandLine(args, files, console, clock);
  } catch (const FatalError& error) {
    console.write(error.stream(), error.message());
    status = 1;
  } catch (const std::bad_alloc&) {
    // Allocations of the routine table report themselves; this covers the
    // rest (line buffers, report text).
    console.err("Out of memory attempting to analyze the project.\n");
    status = 1;
  }
  const std::string failure = console.finish();
  if (!failure.empty()) {
    console.err("memtally: error writing standard output: " + failure + "\n");
    status = 1;
  }
  return status;
}

}  // namespace memtally
