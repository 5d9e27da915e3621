// Where the calls of a project were first recorded, for the warnings about
// calls that the estimate cut as recursions.
#ifndef MEMTALLY_SCAN_CALL_SITES_H_
#define MEMTALLY_SCAN_CALL_SITES_H_

#include <cstdint>
#include <vector>

#include "routines/routine_table.h"

namespace memtally {

// A place in a module: its position in the project file and a physical line.
struct CallSite {
  uint32_t module = 0;
  uint32_t line = 0;
};

// A call and where it was first recorded.
struct CallRecord {
  const RoutineEntry* caller;
  const RoutineEntry* callee;
  CallSite site;
};

// The first site of every call, in the order the calls were recorded. The
// few that warnings need are looked up once, in one pass.
struct CallSites {
  std::vector<CallRecord> records;
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_CALL_SITES_H_
