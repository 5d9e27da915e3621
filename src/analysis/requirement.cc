#include "analysis/requirement.h"

#include <vector>

namespace memtally {
namespace {

// One routine on the path of the descent: its callees are taken one by one,
// and the largest result among those done so far is kept.
struct Frame {
  RoutineEntry* entry;
  uint32_t overhead;
  int32_t nextCallee;
  uint32_t largest;
  RoutineEntry* worst;  // the first callee whose result gave `largest`
  bool wrapped;         // a callee's total wrapped on its way
};

}  // namespace

// A routine is computed once its overhead is stored. The total alone cannot
// tell, because the unsigned sum may wrap around to 0; recomputing such a
// routine on every request could take time exponential in the depth of the
// call graph.
bool isComputed(const RoutineEntry& entry) {
  return entry.totalBytes != 0 || entry.invocationOverhead != 0;
}

namespace {

// Starts the computation of entry: marks it as on the path.
void enter(std::vector<Frame>& path, RoutineEntry* entry, uint32_t overhead) {
  entry->flags |= ROUTINE_VISITING;
  path.push_back(Frame{entry, overhead, 0, 0, nullptr, false});
}

// Stores the results of the routine at the end of the path, takes it off the
// path and returns its total.
uint32_t finish(std::vector<Frame>& path) {
  const Frame frame = path.back();
  path.pop_back();
  RoutineEntry* entry = frame.entry;
  const uint64_t total = uint64_t{frame.overhead} + entry->localBytes +
                         entry->paramBytes + frame.largest;
  entry->invocationOverhead = frame.overhead;
  entry->calleeBytes = frame.largest;
  entry->totalBytes = static_cast<uint32_t>(total);
  entry->totalWrapped = total > UINT32_MAX;
  entry->wrapReached = entry->totalWrapped || frame.wrapped;
  entry->worstCallee = frame.worst;
  entry->flags &= ~ROUTINE_VISITING;
  return entry->totalBytes;
}

// Takes the result of `callee` into the largest of the routine computing it.
// A callee whose total wrapped may have hidden a larger one, so whatever
// wrapped below any callee makes the caller's total unsound too.
void takeResult(Frame& frame, RoutineEntry* callee, uint32_t result) {
  frame.wrapped = frame.wrapped || callee->wrapReached;
  if (result > frame.largest) {
    frame.largest = result;
    frame.worst = callee;
  }
}

// The callee of the frame's routine that is to be visited next, or null when
// every callee has been visited.
RoutineEntry* nextCallee(Frame& frame) {
  const RoutineRefList* calls = frame.entry->calls;
  if (calls == nullptr || frame.nextCallee >= calls->count()) return nullptr;
  return calls->items[static_cast<size_t>(frame.nextCallee++)];
}

}  // namespace

uint32_t computeRequirement(RoutineEntry* entry, uint32_t overhead,
                            std::vector<Cut>* cuts) {
  if (entry == nullptr || (entry->flags & ROUTINE_VISITING) != 0) return 0;
  if (isComputed(*entry)) return entry->totalBytes;

  std::vector<Frame> path;
  enter(path, entry, overhead);
  for (;;) {
    Frame& frame = path.back();
    RoutineEntry* callee = nextCallee(frame);
    if (callee == nullptr) {
      RoutineEntry* done = frame.entry;
      const uint32_t total = finish(path);
      if (path.empty()) return total;
      takeResult(path.back(), done, total);
    } else if ((callee->flags & ROUTINE_VISITING) != 0) {
      // A call back into the path adds nothing.
      if (cuts != nullptr) {
        const uint32_t index = static_cast<uint32_t>(frame.nextCallee - 1);
        cuts->push_back({frame.entry, callee, index, {}});
      }
    } else if (isComputed(*callee)) {
      takeResult(frame, callee, callee->totalBytes);
    } else {
      enter(path, callee, kCalleeOverhead);
    }
  }
}

}  // namespace memtally
