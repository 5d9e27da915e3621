// Where the calls of a project were first recorded, for the warnings about
// calls that the estimate cut as recursions.
#ifndef MEMTALLY_SCAN_CALL_SITES_H_
#define MEMTALLY_SCAN_CALL_SITES_H_

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <utility>

#include "routines/routine_table.h"

namespace memtally {

// A place in a module: its position in the project file and a physical line.
struct CallSite {
  uint32_t module = 0;
  uint32_t line = 0;
};

// The site of every call, by caller and callee.
class CallSites {
 public:
  // Records where `caller` calls `callee`, unless a site is known already.
  void record(const RoutineEntry* caller, const RoutineEntry* callee,
              CallSite site) {
    sites_.emplace(std::make_pair(caller, callee), site);
  }

  // Returns where `caller` first calls `callee`; null when not recorded.
  const CallSite* find(const RoutineEntry* caller,
                       const RoutineEntry* callee) const {
    const auto found = sites_.find(std::make_pair(caller, callee));
    return found == sites_.end() ? nullptr : &found->second;
  }

 private:
  using Call = std::pair<const RoutineEntry*, const RoutineEntry*>;
  struct CallHash {
    size_t operator()(const Call& call) const {
      const std::hash<const RoutineEntry*> hash;
      return hash(call.first) * 31 + hash(call.second);
    }
  };
  std::unordered_map<Call, CallSite, CallHash> sites_;
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_CALL_SITES_H_
