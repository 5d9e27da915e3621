#include "report/chain_listing.h"

#include <string>
#include <unordered_map>

#include "base/format.h"
#include "report/call_chain.h"

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

// Text is handed to the console in pieces of about this size, so that a
// chain of a million calls is never held whole.
constexpr size_t kChunkSize = 16 * 1024;

// The line of each routine as a chain step. The chains of the tasks share
// most of their steps, so each line is formed once.
using StepLines = std::unordered_map<const RoutineEntry*, std::string>;

void appendChain(Console& console, std::string& out, StepLines& lines,
                 const RoutineEntry& from) {
  out.append("Deepest call chain from ");
  out.append(from.fullName);
  out.append(" (");
  appendUnsigned(out, from.totalBytes);
  out.append(" bytes):\n");
  for (const RoutineEntry* step : deepestChain(from)) {
    const auto [line, isNew] = lines.try_emplace(step);
    if (isNew) appendStep(line->second, *step);
    out.append(line->second);
    if (out.size() >= kChunkSize) {
      console.out(out);
      out.clear();
    }
  }
}

}  // namespace

void printCallChains(Console& console, const RoutineTable& table,
                     const RoutineEntry& top) {
  std::string text;
  StepLines lines;
  for (const RoutineEntry* start : chainStarts(table, &top)) {
    text.push_back('\n');
    appendChain(console, text, lines, *start);
  }
  console.out(text);
}

}  // namespace memtally
