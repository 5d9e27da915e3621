// Reads the project file: the list of the application's module sources.
#ifndef MEMTALLY_SCAN_PROJECT_READER_H_
#define MEMTALLY_SCAN_PROJECT_READER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/progress.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/call_sites.h"
#include "scan/external_calls.h"
#include "scan/project_declarations.h"
#include "scan/task_starts.h"

namespace memtally {

// A module that the project file lists, in the order listed.
struct ProjectModule {
  std::string file;     // the name as the project file lists it
  uint32_t line = 0;    // the project file's physical line listing it
  bool opened = false;  // whether the module file could be opened
};

// What a reading of the project records besides the table: the warnings,
// under the project file's name as they show it, and where calls stand.
struct ProjectRecords {
  WarningLog& warnings;
  std::string_view file;
  CallSites& sites;
  ProjectDeclarations* declarations = nullptr;  // null: not gathered
  std::vector<TaskStart>* taskStarts = nullptr;  // null: not recorded
  // Bound mode: where the calls pass records the calls of routines no
  // module defines; null in classic mode.
  ExternalCalls* externals = nullptr;
};

// Scans every module that the project file lists, twice: first for the
// definitions of all routines, then, telling `progress` of each, for their
// calls and task starts. Returns the modules listed, in order. Leaves
// `project` at its end. Throws FatalError when `project` cannot be rewound
// for the second reading.
std::vector<ProjectModule> readProjectFile(RoutineTable& table,
                                           FileSystem& files,
                                           Progress& progress,
                                           LineReader& project, int options,
                                           const ProjectRecords& records);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_PROJECT_READER_H_
