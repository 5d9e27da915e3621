#include "driver/driver.h"

#include <memory>
#include <new>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
#include "base/options.h"
#include "map/map_reader.h"
#include "report/budget.h"
#include "report/listings.h"
#include "report/requirement.h"
#include "report/summary.h"
#include "scan/project_reader.h"

namespace memtally {
namespace {

constexpr char kWeekdays[] = "SunMonTueWedThuFriSat";
constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

void appendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

int clampIndex(int value, int limit) {
  return value < 0 || value >= limit ? 0 : value;
}

// Computes every routine started by calltask, in table order, that no
// earlier task has reached already.
void computeTasks(RoutineTable& table) {
  for (int32_t i = 0; i < table.count(); ++i) {
    RoutineEntry* entry = table.entries[static_cast<size_t>(i)];
    if ((entry->flags & ROUTINE_TASK) != 0 && entry->totalBytes == 0) {
      computeRequirement(entry, kCalleeOverhead);
    }
  }
}

// Parses the command line. A run that goes wrong there still shows the
// banner before its message, as every report run does.
CommandLine parseOrShowBanner(const std::vector<std::string>& args,
                              Console& console) {
  try {
    return parseCommandLine(args);
  } catch (const FatalError&) {
    console.out(kBanner);
    throw;
  }
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
  console.out(kBanner);
  if (line.help) {
    console.out(usageText());
    return 0;
  }
  RoutineTable table;
  const std::optional<uint32_t> printedTotal = processProject(
      table, files, console, clock, *line.project, line.target, line.options);
  freeRoutineTable(table);
  const int status = checkBudget(console, printedTotal, line.budget);
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

std::string formatTimeStamp(const std::tm& time) {
  std::string stamp;
  stamp.append(kWeekdays + 3 * clampIndex(time.tm_wday, 7), 3);
  stamp.push_back(' ');
  stamp.append(kMonths + 3 * clampIndex(time.tm_mon, 12), 3);
  stamp.push_back(' ');
  appendTwoDigits(stamp, time.tm_mday);
  stamp.push_back(' ');
  appendTwoDigits(stamp, time.tm_hour);
  stamp.push_back(':');
  appendTwoDigits(stamp, time.tm_min);
  stamp.push_back(':');
  appendTwoDigits(stamp, time.tm_sec);
  stamp.push_back(' ');
  const long long year = static_cast<long long>(time.tm_year) + 1900;
  const std::string digits =
      decimal(static_cast<uint64_t>(year < 0 ? 0 : year));
  if (digits.size() < 4) stamp.append(4 - digits.size(), '0');
  stamp.append(digits);
  stamp.push_back('\n');
  return stamp;
}

std::optional<uint32_t> processProject(RoutineTable& table, FileSystem& files,
                                       Console& console, const Clock& clock,
                                       const std::string& project,
                                       const std::optional<std::string>& target,
                                       int options) {
  if (project.empty()) return std::nullopt;
  const bool applicationMode = !target.has_value();
  const std::string targetName = applicationMode ? "main" : *target;
  const uint32_t overhead =
      equalsNoCase(targetName, "main") ? kMainOverhead : kCalleeOverhead;

  const std::string projectPath = project + ".bxp";
  std::unique_ptr<LineReader> projectFile = files.open(projectPath);
  if (!projectFile) {
    throw FatalError("Can't open the BasicX project file \"" + projectPath +
                     "\".\n");
  }
  console.out("Analyzing project \"" + projectPath + "\", " +
              formatTimeStamp(clock()));
  readProjectFile(table, files, console, *projectFile, options);
  projectFile.reset();

  const std::string mapPath = project + ".mpp";
  std::unique_ptr<LineReader> mapFile = files.open(mapPath);
  if (!mapFile) {
    throw FatalError("Can't open the BasicX map file \"" + mapPath + "\".\n");
  }
  const uint32_t staticRam = processMap(table, *mapFile);
  mapFile.reset();

  ensureRoutineOrder(table);
  computeTasks(table);
  RoutineEntry* top = findCalledRoutine(table, std::string_view(), targetName);
  if (top == nullptr) {
    console.err("No public " + targetName + "() sub found.\n");
    return std::nullopt;
  }
  const uint32_t total = computeRequirement(top, overhead);
  printSummary(console, *top, total, applicationMode, targetName, staticRam);
  if (options & OPT_DETAIL) printDetailedAnalysis(table, console);
  if (options & OPT_UNUSED) printUnusedRoutines(table, console);
  if (options & OPT_CALLERS) printCallers(table, console);
  return applicationMode ? total + staticRam : total;
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
