// Reads the project file: the list of the application's module sources.
#ifndef MEMTALLY_SCAN_PROJECT_READER_H_
#define MEMTALLY_SCAN_PROJECT_READER_H_

#include "base/console.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "routines/routine_table.h"

namespace memtally {

// Scans every module that the project file lists, twice: first for the
// definitions of all routines, then, printing a "  Module:" line for each,
// for their calls and task starts. Leaves `project` at its end. Throws
// FatalError when `project` cannot be rewound for the second reading.
void readProjectFile(RoutineTable& table, FileSystem& files, Console& console,
                     LineReader& project, int options);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_PROJECT_READER_H_
