// Bound mode: the calls of routines that no module of the project defines,
// such as the system library's Delay, PutPin or Debug.Print.
#ifndef MEMTALLY_SCAN_EXTERNAL_CALLS_H_
#define MEMTALLY_SCAN_EXTERNAL_CALLS_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_map.h"
#include "routines/routine_table.h"
#include "scan/call_sites.h"

namespace memtally {

// A routine the project calls but does not define, known by its name as
// first written; names are compared with A to Z folded.
struct ExternalRoutine {
  std::string name;             // as first written: "Debug.Print"
  std::string folded;           // with A to Z folded
  std::vector<CallSite> sites;  // the first call of it in each caller
  // The caller whose call was recorded last: a routine's calls are met
  // together, so a repeated call is known without a set of every pair.
  const RoutineEntry* lastCaller = nullptr;
};

// One routine's call of an external routine: `routine` indexes routines().
struct ExternalCall {
  const RoutineEntry* caller;
  uint32_t routine;
};

// Every external routine of a project and every routine calling one, in
// the order first met.
class ExternalCalls {
 public:
  ExternalCalls() = default;
  ExternalCalls(const ExternalCalls&) = delete;
  ExternalCalls& operator=(const ExternalCalls&) = delete;
  ExternalCalls(ExternalCalls&&) = default;
  ExternalCalls& operator=(ExternalCalls&&) = default;

  // Returns the index of the external routine `name`, adding it when new.
  uint32_t add(std::string_view name);

  // Records that `caller` calls the external routine `name` at `site` (none
  // for a call an annotation adds); a caller's later calls of the same
  // routine are not recorded again, unless another routine's call of it
  // came between (a routine whose body stands twice in a module), which
  // records the call twice. Returns the routine's index.
  uint32_t record(const RoutineEntry& caller, std::string_view name,
                  std::optional<CallSite> site);

  // The index of the external routine `name`; none when it is unknown.
  std::optional<uint32_t> find(std::string_view name) const;

  const std::deque<ExternalRoutine>& routines() const { return routines_; }
  const std::vector<ExternalCall>& calls() const { return calls_; }

 private:
  std::deque<ExternalRoutine> routines_;  // stays put: byName_ views it
  std::vector<ExternalCall> calls_;
  NameMap<uint32_t> byName_;  // keys view the routines' folded names
  std::string folded_;        // the name being looked up, folded
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_EXTERNAL_CALLS_H_
