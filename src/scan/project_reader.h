// Reads the project file: the list of the application's module sources.
#ifndef MEMTALLY_SCAN_PROJECT_READER_H_
#define MEMTALLY_SCAN_PROJECT_READER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/console.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/call_sites.h"

namespace memtally {

// A module that the project file lists, in the order listed.
struct ProjectModule {
  std::string file;     // the name as the project file lists it
  uint32_t line = 0;    // the project file's physical line listing it
  bool opened = false;  // whether the module file could be opened
};

// Where the warnings about a project go: the log, the project file's name as
// the warnings show it, and the record of where calls stand.
struct ProjectWarnings {
  WarningLog* log = nullptr;  // null: no warnings are collected
  std::string_view file;
  CallSites* sites = nullptr;  // where calls stand; null: not recorded
};

// Scans every module that the project file lists, twice: first for the
// definitions of all routines, then, printing a "  Module:" line for each,
// for their calls and task starts. Returns the modules listed, in order.
// Leaves `project` at its end. Throws FatalError when `project` cannot be
// rewound for the second reading.
std::vector<ProjectModule> readProjectFile(
    RoutineTable& table, FileSystem& files, Console& console,
    LineReader& project, int options, const ProjectWarnings& warnings = {});

}  // namespace memtally

#endif  // MEMTALLY_SCAN_PROJECT_READER_H_
