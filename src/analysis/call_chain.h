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

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_CALL_CHAIN_H_
