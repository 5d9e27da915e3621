#include "report/call_chain.h"

namespace memtally {

uint32_t frameBytes(const RoutineEntry& entry) {
  return entry.invocationOverhead + entry.paramBytes + entry.localBytes;
}

std::vector<const RoutineEntry*> deepestChain(const RoutineEntry& from) {
  // Each worst callee finished before its caller, so the walk ends.
  std::vector<const RoutineEntry*> chain;
  for (const RoutineEntry* step = &from; step != nullptr;
       step = step->worstCallee) {
    chain.push_back(step);
  }
  return chain;
}

std::vector<const RoutineEntry*> chainStarts(const RoutineTable& table,
                                             const RoutineEntry* top) {
  std::vector<const RoutineEntry*> starts;
  if (top != nullptr) starts.push_back(top);
  for (const RoutineEntry* entry : table.entries) {
    if ((entry->flags & ROUTINE_TASK) != 0) starts.push_back(entry);
  }
  return starts;
}

bool isCutCall(const RoutineEntry& caller, const RoutineEntry& callee) {
  return caller.finishOrder != 0 &&
         (callee.finishOrder == 0 || callee.finishOrder >= caller.finishOrder);
}

}  // namespace memtally
