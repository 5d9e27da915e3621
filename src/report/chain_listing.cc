#include "report/chain_listing.h"

#include <string>

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

void printChain(Console& console, const ListedChain& chain) {
  std::string text = "\nDeepest call chain from ";
  text.append(chain.from->fullName);
  text.append(" (");
  appendUnsigned(text, chain.from->totalBytes);
  text.append(" bytes):\n");
  console.out(text);
  for (const RoutineEntry* step : chain.steps) {
    text.clear();
    appendStep(text, *step);
    console.out(text);
  }
  if (chain.continuesAs != nullptr) {
    text.assign("  ... continues as listed above from ");
    text.append(chain.continuesAs->fullName).push_back('\n');
    console.out(text);
  }
}

}  // namespace

void printCallChains(Console& console, const Analysis& analysis) {
  for (const ListedChain& chain : listChains(analysis)) {
    printChain(console, chain);
  }
}

}  // namespace memtally
