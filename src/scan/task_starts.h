// Where a module starts a task: what the calls pass records of every
// calltask line, for the check of the task's stack array.
#ifndef MEMTALLY_SCAN_TASK_STARTS_H_
#define MEMTALLY_SCAN_TASK_STARTS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "base/warning_log.h"
#include "routines/routine_table.h"

namespace memtally {

// One calltask line of a routine body, whether or not its task was found.
struct TaskStart {
  uint32_t module = 0;                    // its module's position
  Place place;                            // the first letter of calltask
  const RoutineEntry* routine = nullptr;  // whose body holds it; may be null
  std::optional<std::string> name;        // the quoted routine name
  std::string written;                    // that, or an unquoted name
  const RoutineEntry* task = nullptr;     // the routine of its module it
                                          // starts; null when none
  std::optional<std::string> stackArgument;  // an identifier, as written
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_TASK_STARTS_H_
