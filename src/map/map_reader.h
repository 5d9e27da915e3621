// Reads the compiler's map file: static RAM and each routine's parameter and
// local variable bytes.
#ifndef MEMTALLY_MAP_MAP_READER_H_
#define MEMTALLY_MAP_MAP_READER_H_

#include <cstdint>
#include <string_view>

#include "base/line_reader.h"
#include "routines/routine_table.h"

namespace memtally {

// Stores the parameter and local sums of every routine the map file names on
// its entry (creating missing entries) and returns the static RAM. Throws
// FatalError for a map entry that names no module and routine.
uint32_t processMap(RoutineTable& table, LineReader& map);

}  // namespace memtally

#endif  // MEMTALLY_MAP_MAP_READER_H_
