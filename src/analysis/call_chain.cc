#include "analysis/call_chain.h"

#include <cstddef>
#include <unordered_set>

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

namespace {

// A chain goes on in full through a routine listed already when no more
// than this many steps remain: a short shared tail, such as the one routine
// that sends a byte, reads better whole than as a reference. It keeps the
// chains together within this many steps per chain of the project's size.
constexpr size_t kLongestRepeatedTail = 8;

// True when the chain from `step` has more than kLongestRepeatedTail steps.
bool isLongTail(const RoutineEntry* step) {
  for (size_t n = 0; n <= kLongestRepeatedTail; ++n) {
    if (step == nullptr) return false;
    step = step->worstCallee;
  }
  return true;
}

}  // namespace

std::vector<ListedChain> listChains(const Analysis& analysis) {
  std::vector<ListedChain> chains;
  std::unordered_set<const RoutineEntry*> listed;
  for (const RoutineEntry* start : chainStarts(analysis)) {
    ListedChain chain{start, {start}, nullptr};
    listed.insert(start);
    for (const RoutineEntry* step = start->worstCallee; step != nullptr;
         step = step->worstCallee) {
      if (!listed.insert(step).second && isLongTail(step)) {
        chain.continuesAs = step;
        break;
      }
      chain.steps.push_back(step);
    }
    chains.push_back(std::move(chain));
  }
  return chains;
}

}  // namespace memtally
