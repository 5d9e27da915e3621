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
#include "routines/routine_table.h"

namespace memtally {

// The banner printed first by every run.
inline constexpr const char* kBanner = "Memtally v0.7\n\n";

// Supplies the local wall-clock time for the project line.
using Clock = std::function<std::tm()>;

// The local time of the system clock.
std::tm localClock();

// What the command line asks for.
struct CommandLine {
  std::optional<std::string> project;  // none when no project was named
  std::optional<std::string> target;   // the -t routine; none: main
  int options = 0;                     // OPT_... bits
  std::vector<std::string> surplus;    // arguments after the project name
};

// Parses the arguments after the program name. Throws FatalError for an
// unrecognised option, a -t without a target, or no project name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// Formats a time as the 24-character stamp of the project line, with its
// newline: "Wed Dec 09 07:38:47 2026\n".
std::string formatTimeStamp(const std::tm& time);

// Analyses one project and prints its report. Returns at once for an empty
// project name; throws FatalError on a fatal condition.
void processProject(RoutineTable& table, FileSystem& files, Console& console,
                    const Clock& clock, const std::string& project,
                    const std::optional<std::string>& target, int options);

// Runs the whole tool on the arguments after the program name and returns
// the exit status (0 or 1). Never exits the process.
int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock = localClock);

}  // namespace memtally

#endif  // MEMTALLY_DRIVER_DRIVER_H_
