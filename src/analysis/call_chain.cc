#include "analysis/call_chain.h"

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

std::vector<const RoutineEntry*> chainStarts(const Analysis& analysis) {
  std::vector<const RoutineEntry*> starts;
  if (analysis.top != nullptr) starts.push_back(analysis.top);
  starts.insert(starts.end(), analysis.tasks.begin(), analysis.tasks.end());
  return starts;
}

}  // namespace memtally
