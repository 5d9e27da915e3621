// The deepest call chains: the calls that produced a routine's total, read
// back from what the requirement computation recorded.
#ifndef MEMTALLY_ANALYSIS_CALL_CHAIN_H_
#define MEMTALLY_ANALYSIS_CALL_CHAIN_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/analysis.h"
#include "routines/routine_table.h"

namespace memtally {

// The bytes one invocation of a computed routine takes: its overhead, its
// parameters and its locals, modulo 2^32.
uint32_t frameBytes(const RoutineEntry& entry);

// Returns the chain that produced the total of the computed routine `from`:
// the routine itself, then its worst callee, then that one's, until a
// routine without one. Their frames add up to the total, modulo 2^32.
std::vector<const RoutineEntry*> deepestChain(const RoutineEntry& from);

// Returns the routines whose chains are shown: the top routine (when there
// is one), then every task in table order.
std::vector<const RoutineEntry*> chainStarts(const Analysis& analysis);

// A deepest call chain as the reports list it: its first steps, up to a
// routine whose own chain, of more than a few steps, an earlier listed chain
// holds already, which `continuesAs` names; null when the chain is listed
// whole.
struct ListedChain {
  const RoutineEntry* from;
  std::vector<const RoutineEntry*> steps;
  const RoutineEntry* continuesAs = nullptr;
  // Bound mode: the external routine, by its index in bound.externals,
  // whose annotated size gave the last step's callee bytes; the chain ends
  // with it. None when the chain continues as another or ends in a routine.
  std::optional<uint32_t> external;
};

// Lists the chain of every start of chainStarts, in order. Every chain
// lists its start; any other routine is listed in the first chain that
// reaches it, and again only in a short tail, so the chains together grow
// as the project does.
std::vector<ListedChain> listChains(const Analysis& analysis);

// How a step of a listed chain counts its bytes.
enum class StepKind {
  kFrame,            // one invocation: overhead + params + locals
  kRecursion,        // bound mode: a recursion, depth x its largest frame
  kStackAnnotation,  // bound mode: a routine whose annotation is its total
};

// What one step of a listed chain adds to the chain's total.
struct StepFigures {
  StepKind kind = StepKind::kFrame;
  uint32_t overhead = 0;  // kFrame: the invocation overhead charged
  // kRecursion: the recursion and the depth counted (1 without one).
  const Recursion* recursion = nullptr;
  uint32_t depth = 1;
  // kRecursion and kStackAnnotation on the top routine's own chain: what
  // the top routine's own frame holds beyond a call's (6 for main); else 0.
  uint32_t extra = 0;
  uint32_t bytes = 0;  // the step's share of the chain's total, modulo 2^32
};

// The figures of `step`, the chain's first step when `first` is set. In
// bound mode a routine in a recursion stands for its recursion, and one
// whose stack annotation is its total stands for the annotation; every
// other step is a frame. The figures of a chain's steps (and of its
// external routine) add up to its total.
StepFigures stepFigures(const Analysis& analysis, const RoutineEntry& step,
                        bool first);

// The bytes that external routine `index` adds at the end of a chain: its
// annotated size.
uint32_t externalStepBytes(const Analysis& analysis, uint32_t index);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_CALL_CHAIN_H_
