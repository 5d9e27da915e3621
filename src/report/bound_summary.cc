#include "report/bound_summary.h"

#include "base/format.h"

namespace memtally {
namespace {

// "1 recursion without a depth", "2 recursions without a depth".
std::string counted(uint32_t count, std::string_view one,
                    std::string_view many, std::string_view rest) {
  return decimal(count) + " " + std::string(count == 1 ? one : many) + " " +
         std::string(rest);
}

// What a lower bound cannot see, for its line.
std::string unknowns(const BoundFacts& bound) {
  std::string text;
  if (bound.unsizedBelowTop > 0) {
    text = counted(bound.unsizedBelowTop, "routine", "routines",
                   "outside the project without a size");
  }
  if (bound.unboundedBelowTop > 0) {
    if (!text.empty()) text += " and ";
    text += counted(bound.unboundedBelowTop, "recursion", "recursions",
                    "without a depth");
  }
  return text;
}

}  // namespace

std::string boundSummaryLine(const Analysis& analysis) {
  if (estimateWrapped(analysis)) {
    return "This total wrapped around 4294967295 bytes: it bounds nothing.\n";
  }
  switch (analysis.top->bound) {
    case BoundStatus::kExact:
      return "This total is an upper bound.\n";
    case BoundStatus::kBounded:
      return "This total is an upper bound given the annotations of " +
             analysis.bound.annotationFile + ".\n";
    case BoundStatus::kAtLeast:
      break;
  }
  const std::string below = unknowns(analysis.bound);
  if (below.empty()) return "This total is a lower bound (--check says why).\n";
  const bool one = analysis.bound.unsizedBelowTop +
                      analysis.bound.unboundedBelowTop == 1;
  return "This total is a lower bound: " + below + (one ? " lies" : " lie") +
         " below it (--check names them).\n";
}

}  // namespace memtally
