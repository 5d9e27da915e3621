// The run: command line, the analysis, the report or document it asks for,
// and the exit status.
#ifndef MEMTALLY_DRIVER_DRIVER_H_
#define MEMTALLY_DRIVER_DRIVER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "base/console.h"
#include "base/file_system.h"

namespace memtally {

// Runs the whole tool on the arguments after the program name and returns
// the exit status: 0 when the analysis ran (within the budget when one was
// given), 1 on a fatal error, 2 over the budget or when it could not be
// checked. Never exits the process.
int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock = localClock);

}  // namespace memtally

#endif  // MEMTALLY_DRIVER_DRIVER_H_
