#include "report/requirement.h"

namespace memtally {

uint32_t computeRequirement(RoutineEntry*, uint32_t) { return 0; }

}  // namespace memtally
