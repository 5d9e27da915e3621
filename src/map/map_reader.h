// Reads the compiler's map file: static RAM and each routine's parameter and
// local variable bytes.
#ifndef MEMTALLY_MAP_MAP_READER_H_
#define MEMTALLY_MAP_MAP_READER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/line_reader.h"
#include "base/warning_log.h"
#include "routines/routine_table.h"

namespace memtally {

// The kinds of size a map file gives for a routine, as `which` values of
// recordMapSize.
inline constexpr int kMapParameters = 0;  // its formal parameters
inline constexpr int kMapLocals = 1;      // its local variables

// Longest map line read at once; a longer line is cut there and its rest is
// read as the next line.
inline constexpr size_t kMapLineCapacity = 511;

// Stores the parameter and local sums of every routine the map file names on
// its entry (creating missing entries) and returns the static RAM. Reads no
// further than the "CODE MEMORY" line. Records in `warnings` what makes the
// sizes doubtful. Throws FatalError for a map entry that names no module and
// routine.
uint32_t processMap(RoutineTable& table, LineReader& map,
                    const FileWarnings& warnings);

// Stores `value` as the parameter bytes (`which` kMapParameters) or local
// bytes (kMapLocals) of the routine `name`, given as module.routine and split
// at its first '.', creating the entry when missing; the value replaces what
// was stored. An empty name stores nothing. Throws FatalError when the name
// lacks a module or a routine part. Returns the entry, null for an empty
// name.
RoutineEntry* recordMapSize(RoutineTable& table, std::string_view name,
                            int which, uint32_t value);

}  // namespace memtally

#endif  // MEMTALLY_MAP_MAP_READER_H_
