#include "driver/driver.h"

#include <memory>
#include <new>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
#include "base/options.h"
#include "map/map_reader.h"
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

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      line.project = arg;
      line.surplus.assign(args.begin() + static_cast<long>(i) + 1, args.end());
      return line;
    }
    const char letter =
        arg.size() > 1
            ? static_cast<char>(foldCase(static_cast<unsigned char>(arg[1])))
            : '\0';
    switch (letter) {
      case 'c':
        line.options |= OPT_CALLERS;
        break;
      case 'd':
        line.options |= OPT_DETAIL;
        break;
      case 'u':
        line.options |= OPT_UNUSED;
        break;
      case 't':
        if (arg.size() > 2) {
          line.target = arg.substr(2);
        } else if (i + 1 < args.size()) {
          line.target = args[++i];
        } else {
          throw FatalError("Missing analysis target for option -t.\n");
        }
        break;
      default:
        throw FatalError("Unrecognized option - \"" + arg + "\".\n");
    }
  }
  throw FatalError("No BasicX project specified.\n");
}

void processProject(RoutineTable& table, FileSystem& files, Console& console,
                    const Clock& clock, const std::string& project,
                    const std::optional<std::string>& target, int options) {
  if (project.empty()) return;
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

  // The map may have added routines: the task pass and the listings walk the
  // table in routine order, and the top routine is the first of its run.
  ensureRoutineOrder(table);
  computeTasks(table);
  RoutineEntry* top = findCalledRoutine(table, std::string_view(), targetName);
  if (top == nullptr) {
    console.err("No public " + targetName + "() sub found.\n");
    return;
  }
  const uint32_t total = computeRequirement(top, overhead);
  printSummary(console, *top, total, applicationMode, targetName, staticRam);
  if (options & OPT_DETAIL) printDetailedAnalysis(table, console);
  if (options & OPT_UNUSED) printUnusedRoutines(table, console);
  if (options & OPT_CALLERS) printCallers(table, console);
}

int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock) {
  int status = 0;
  console.out(kBanner);
  try {
    const CommandLine line = parseCommandLine(args);
    RoutineTable table;
    processProject(table, files, console, clock, *line.project, line.target,
                   line.options);
    freeRoutineTable(table);
    for (const std::string& arg : line.surplus) {
      console.err("Superfluous option \"" + arg + "\" ignored.\n");
    }
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
