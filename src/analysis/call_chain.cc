#include "analysis/call_chain.h"

#include <cstddef>
#include <unordered_set>

#include "analysis/requirement.h"

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
    ListedChain chain{start, {start}, nullptr, std::nullopt};
    listed.insert(start);
    for (const RoutineEntry* step = start->worstCallee; step != nullptr;
         step = step->worstCallee) {
      if (!listed.insert(step).second && isLongTail(step)) {
        chain.continuesAs = step;
        break;
      }
      chain.steps.push_back(step);
    }
    if (chain.continuesAs == nullptr) {
      const auto external = analysis.bound.worstExternal.find(chain.steps.back());
      if (external != analysis.bound.worstExternal.end()) {
        chain.external = external->second;
      }
    }
    chains.push_back(std::move(chain));
  }
  return chains;
}

namespace {

// What the top routine's own frame holds beyond a call's, which its stored
// total includes: 6 for main; 0 for every other routine.
uint32_t topExtra(const Analysis& analysis, const RoutineEntry& entry) {
  return &entry == analysis.top ? entry.invocationOverhead - kCalleeOverhead
                                : 0;
}

// True when the stack annotation of `entry` is its total: it was not below
// what the routine needs.
bool isAnnotatedTotal(const Analysis& analysis, const RoutineEntry& entry) {
  if ((entry.flags & ROUTINE_STACK_ANNOTATED) == 0) return false;
  const auto found = analysis.bound.stackOf.find(&entry);
  if (found == analysis.bound.stackOf.end()) return false;
  return analysis.bound.annotations[found->second].value ==
         entry.totalBytes - topExtra(analysis, entry);
}

}  // namespace

StepFigures stepFigures(const Analysis& analysis, const RoutineEntry& step,
                        bool first) {
  StepFigures figures;
  if (!analysis.boundMode) {
    figures.overhead = step.invocationOverhead;
    figures.bytes = frameBytes(step);
    return figures;
  }
  // Only the top routine's own chain counts its own frame's extra bytes: a
  // chain reaching it from a task counts a call of it.
  const uint32_t extra = first ? topExtra(analysis, step) : 0;
  if (const Recursion* recursion = recursionOf(analysis, step)) {
    figures.kind = StepKind::kRecursion;
    figures.recursion = recursion;
    figures.depth = recursion->depth.value_or(1);
    figures.extra = extra;
    figures.bytes = figures.depth * recursion->largestFrame + extra;
    return figures;
  }
  if (isAnnotatedTotal(analysis, step)) {
    figures.kind = StepKind::kStackAnnotation;
    figures.extra = extra;
    figures.bytes = step.totalBytes - topExtra(analysis, step) + extra;
    return figures;
  }
  figures.overhead = first ? step.invocationOverhead : kCalleeOverhead;
  figures.bytes = figures.overhead + step.paramBytes + step.localBytes;
  return figures;
}

uint32_t externalStepBytes(const Analysis& analysis, uint32_t index) {
  const auto& sizes = analysis.bound.externalBytes;
  return index < sizes.size() ? sizes[index].value_or(0) : 0;
}

}  // namespace memtally
