#include "analysis/bound.h"

#include "analysis/analysis.h"

namespace memtally {

std::string_view boundStatusName(BoundStatus status) {
  switch (status) {
    case BoundStatus::kExact:
      return "exact";
    case BoundStatus::kBounded:
      return "bounded";
    case BoundStatus::kAtLeast:
      return "atLeast";
  }
  return "atLeast";
}

const Recursion* recursionOf(const Analysis& analysis,
                             const RoutineEntry& entry) {
  if (entry.recursion == 0 ||
      entry.recursion > analysis.bound.recursions.size()) {
    return nullptr;
  }
  return &analysis.bound.recursions[entry.recursion - 1];
}

}  // namespace memtally
