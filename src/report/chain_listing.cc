#include "report/chain_listing.h"

#include <string>
#include <unordered_map>

#include "base/format.h"
#include "analysis/call_chain.h"

namespace memtally {
namespace {

// "  NAME overhead + params + locals = frame": the name in 35 columns, or
// whole and followed by one blank when it is longer.
void appendStep(std::string& out, const RoutineEntry& step) {
  out.append("  ");
  out.append(step.fullName);
  if (step.fullName.size() < 35) appendBlanks(out, 35 - step.fullName.size());
  out.push_back(' ');
  appendUnsigned(out, step.invocationOverhead, 2);
  out.append(" + ");
  appendUnsigned(out, step.paramBytes);
  out.append(" + ");
  appendUnsigned(out, step.localBytes);
  out.append(" = ");
  appendUnsigned(out, frameBytes(step));
  out.push_back('\n');
}

// The line of each routine as a chain step. The chains of the tasks share
// most of their steps, so each line is formed once.
using StepLines = std::unordered_map<const RoutineEntry*, std::string>;

void printChain(Console& console, StepLines& lines, const RoutineEntry& from) {
  std::string heading = "\nDeepest call chain from ";
  heading.append(from.fullName);
  heading.append(" (");
  appendUnsigned(heading, from.totalBytes);
  heading.append(" bytes):\n");
  console.out(heading);
  for (const RoutineEntry* step : deepestChain(from)) {
    const auto [line, isNew] = lines.try_emplace(step);
    if (isNew) appendStep(line->second, *step);
    console.out(line->second);
  }
}

}  // namespace

void printCallChains(Console& console, const Analysis& analysis) {
  StepLines lines;
  for (const RoutineEntry* start : chainStarts(analysis)) {
    printChain(console, lines, *start);
  }
}

}  // namespace memtally
