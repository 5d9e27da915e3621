// The run: command line, the passes over project, modules and map file, the
// estimate and the listings, and the exit status.
#ifndef MEMTALLY_DRIVER_DRIVER_H_
#define MEMTALLY_DRIVER_DRIVER_H_

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file_system.h"
#include "base/version.h"
#include "driver/command_line.h"
#include "report/analysis.h"
#include "routines/routine_table.h"

namespace memtally {

// Supplies the local wall-clock time for the project line.
using Clock = std::function<std::tm()>;

// The local time of the system clock.
std::tm localClock();

// What an analysis is asked for.
struct AnalysisRequest {
  std::string project;                // the project name, without extension
  std::optional<std::string> target;  // the -t routine; none: main
  int options = 0;                    // OPT_... bits; -c collects callers
  bool warnings = false;              // collect the warnings of --check
};

// Reads the project file, its modules and its map file into `table`,
// computes every task and the top routine, and records in `analysis` what
// the report writers need. The progress lines of the report go to the
// console's standard output, as the files are read; messages to its
// standard error. Returns false, having done nothing, for an empty project
// name. Throws FatalError on a fatal condition.
bool analyzeProject(RoutineTable& table, FileSystem& files, Console& console,
                    const Clock& clock, const AnalysisRequest& request,
                    Analysis& analysis);

// Analyses one project and prints its report. Returns the total that the
// estimate printed; none when it printed no estimate (an empty project name,
// or a top routine that was not found). Throws FatalError on a fatal
// condition.
std::optional<uint32_t> processProject(RoutineTable& table, FileSystem& files,
                                       Console& console, const Clock& clock,
                                       const std::string& project,
                                       const std::optional<std::string>& target,
                                       int options);

// Runs the whole tool on the arguments after the program name and returns
// the exit status: 0 when the analysis ran (within the budget when one was
// given), 1 on a fatal error, 2 over the budget or when it could not be
// checked. Never exits the process.
int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock = localClock);

}  // namespace memtally

#endif  // MEMTALLY_DRIVER_DRIVER_H_
