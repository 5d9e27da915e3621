// Bound mode: the requirement as a proven bound. Besides the calls the
// classic estimate counts, it counts qualified calls, tasks started from
// another module, calls of routines outside the project (the system
// library's) and the calls an annotation adds; it takes stack sizes and
// recursion depths from the annotation file, and says of every total
// whether it is exact, bounded given the annotations, or only a lower bound.
#ifndef MEMTALLY_ANALYSIS_BOUND_H_
#define MEMTALLY_ANALYSIS_BOUND_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/annotation_file.h"
#include "routines/routine_table.h"
#include "scan/external_calls.h"

namespace memtally {

struct Analysis;

// The name of a status in the documents: "exact", "bounded", "atLeast".
std::string_view boundStatusName(BoundStatus status);

// The worse of two statuses.
inline BoundStatus worseStatus(BoundStatus a, BoundStatus b) {
  return a < b ? b : a;
}

// A recursion: routines that call each other, or one that calls itself,
// once the calls of stack-annotated routines are set aside. Every member's
// total is depth x largestFrame + outsideBytes: at most `depth` activations
// of its routines are on the stack at once, and the chain leaves it once.
struct Recursion {
  std::vector<const RoutineEntry*> members;  // in routine order
  std::optional<uint32_t> depth;             // annotated; none: counted as 1
  uint32_t largestFrame = 0;  // the largest overhead + params + locals
  uint32_t outsideBytes = 0;  // the largest total of a call leaving it
  // The routine whose total gave outsideBytes; null when that was an
  // external routine's or nothing left the recursion.
  const RoutineEntry* worstOutside = nullptr;
  uint32_t totalBytes = 0;    // every member's total, modulo 2^32
  BoundStatus status = BoundStatus::kExact;
};

// What bound mode found beyond the routine table's figures.
struct BoundFacts {
  // The annotation file read, as named; empty when none was.
  std::string annotationFile;
  // Where annotations go: the file named, else the project's .mta file.
  std::string suggestedFile;
  std::vector<Annotation> annotations;  // in file order, `used` set
  // The annotations that apply, by what they are about: indexes into
  // `annotations`.
  std::unordered_map<const RoutineEntry*, uint32_t> stackOf;
  std::unordered_map<const RoutineEntry*, uint32_t> depthOf;
  std::unordered_map<uint32_t, uint32_t> externalStackOf;  // by external

  // Every external routine, its sites and callers, and by its index the
  // size an annotation gives it and whether bound mode reached a call of it.
  ExternalCalls externals;
  std::vector<std::optional<uint32_t>> externalBytes;
  std::vector<bool> externalReached;

  // Every recursion that bound mode reached, in the order it completed
  // them (callees first); a member's `recursion` is 1 + its index here.
  std::vector<Recursion> recursions;

  // The external routine whose call gave a routine's callee bytes, for the
  // routines where an external's size beat every routine callee.
  std::unordered_map<const RoutineEntry*, uint32_t> worstExternal;

  // What lies below the top routine that bound mode cannot see: external
  // routines without a size and recursions without a depth.
  uint32_t unsizedBelowTop = 0;
  uint32_t unboundedBelowTop = 0;
};

// The recursion that `entry` is a member of; null when none.
const Recursion* recursionOf(const Analysis& analysis,
                             const RoutineEntry& entry);

// Computes, in bound mode, the total and status of `top` (may be null) and
// of every task of the analysis and every routine they reach, with overhead
// 9 for every frame and `topOverhead` for the top routine's own; records the
// recursions and fills analysis.total. Annotations are applied already.
// Returns the annotation errors only the recursions show: members of one
// recursion annotated with different depths.
std::vector<AnnotationError> computeBound(Analysis& analysis, RoutineEntry* top,
                                          uint32_t topOverhead);

// Adds the warnings of --check about what bound mode cannot see: every
// external routine without a size that it reached, at its first call, and
// every recursion without a depth, at a member's definition.
void addBoundWarnings(Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_BOUND_H_
