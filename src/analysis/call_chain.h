// The deepest call chains: the calls that produced a routine's total, read
// back from what the requirement computation recorded.
#ifndef MEMTALLY_ANALYSIS_CALL_CHAIN_H_
#define MEMTALLY_ANALYSIS_CALL_CHAIN_H_

#include <cstdint>
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
};

// Lists the chain of every start of chainStarts, in order. Every chain
// lists its start; any other routine is listed in the first chain that
// reaches it, and again only in a short tail, so the chains together grow
// as the project does.
std::vector<ListedChain> listChains(const Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_CALL_CHAIN_H_
