// Where the calls of a project were first recorded, for the warnings about
// calls that the estimate cut as recursions.
#ifndef MEMTALLY_SCAN_CALL_SITES_H_
#define MEMTALLY_SCAN_CALL_SITES_H_

#include <cstdint>
#include <deque>
#include <map>
#include <utility>

#include "routines/routine_table.h"

namespace memtally {

// A place in a module: its position in the project file, a physical line
// and the byte column on it.
struct CallSite {
  uint32_t module = 0;
  uint32_t line = 0;  // 0: unknown
  uint32_t column = 1;
};

// The site of every call, where it was first recorded, by the call's
// position in its caller's call list. A project has a site for every call:
// the sites of one caller's calls lie together, in the order of its list,
// and the caller's entry says where (firstSite, siteCount), so a site costs
// twelve bytes. Calls of a routine whose body stands in several places (a
// routine defined twice) that no longer lie together are kept apart.
class CallSites {
 public:
  // Records where the call just appended to caller's call list stands.
  void record(RoutineEntry& caller, CallSite site);

  // Returns the site of the call at `index` of caller's call list; line 0
  // when none was recorded.
  CallSite find(const RoutineEntry& caller, uint32_t index) const;

 private:
  std::deque<CallSite> together_;
  std::map<std::pair<const RoutineEntry*, uint32_t>, CallSite> apart_;
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_CALL_SITES_H_
