#include "report/chain_listing.h"

#include <string>
#include <string_view>

#include "base/format.h"
#include "analysis/call_chain.h"

namespace memtally {
namespace {

// How many members of a recursion a step names before it counts the rest.
constexpr size_t kNamedMembers = 3;

// "  NAME ": the name in 35 columns, or whole and followed by one blank
// when it is longer.
void appendName(std::string& out, std::string_view name) {
  out.append("  ");
  out.append(name);
  if (name.size() < 35) appendBlanks(out, 35 - name.size());
  out.push_back(' ');
}

// "  NAME overhead + params + locals = frame".
void appendFrame(std::string& out, const RoutineEntry& step,
                 const StepFigures& figures) {
  appendName(out, step.fullName);
  appendUnsigned(out, figures.overhead, 2);
  out.append(" + ");
  appendUnsigned(out, step.paramBytes);
  out.append(" + ");
  appendUnsigned(out, step.localBytes);
  out.append(" = ");
  appendUnsigned(out, figures.bytes);
  out.push_back('\n');
}

// " + extra = bytes" where the top routine's own frame adds to an
// annotated step.
void appendExtra(std::string& out, const StepFigures& figures) {
  if (figures.extra == 0) return;
  out.append(" + ");
  appendUnsigned(out, figures.extra);
  out.append(" = ");
  appendUnsigned(out, figures.bytes);
}

// "    of A, B, C and 2 more": the members of a recursion of several.
void appendMembers(std::string& out, const Recursion& recursion) {
  out.append("    of ");
  out.append(firstNames(recursion.members, kNamedMembers));
  out.push_back('\n');
}

// "  NAME (recursion)  depth x largest frame = bytes", a note when the
// depth is not known, and the members when there are several.
void appendRecursion(std::string& out, const RoutineEntry& step,
                     const StepFigures& figures) {
  const Recursion& recursion = *figures.recursion;
  appendName(out, std::string(step.fullName) + " (recursion)");
  appendUnsigned(out, figures.depth, 2);
  out.append(" x ");
  appendUnsigned(out, recursion.largestFrame);
  if (figures.extra != 0) {
    out.append(" + ");
    appendUnsigned(out, figures.extra);
  }
  out.append(" = ");
  appendUnsigned(out, figures.bytes);
  if (!recursion.depth) out.append("  (depth unknown: counted once)");
  out.push_back('\n');
  if (recursion.members.size() > 1) appendMembers(out, recursion);
}

// "  NAME  bytes (stack annotation)".
void appendAnnotated(std::string& out, const RoutineEntry& step,
                     const StepFigures& figures) {
  appendName(out, step.fullName);
  appendUnsigned(out, figures.bytes - figures.extra, 2);
  appendExtra(out, figures);
  out.append(" (stack annotation)\n");
}

void appendStep(std::string& out, const Analysis& analysis,
                const RoutineEntry& step, bool first) {
  const StepFigures figures = stepFigures(analysis, step, first);
  switch (figures.kind) {
    case StepKind::kFrame:
      appendFrame(out, step, figures);
      return;
    case StepKind::kRecursion:
      appendRecursion(out, step, figures);
      return;
    case StepKind::kStackAnnotation:
      appendAnnotated(out, step, figures);
      return;
  }
}

void printChain(Console& console, const Analysis& analysis,
                const ListedChain& chain) {
  std::string text = "\nDeepest call chain from ";
  text.append(chain.from->fullName);
  text.append(" (");
  if (analysis.boundMode && chain.from->bound == BoundStatus::kAtLeast) {
    text.append("at least ");
  }
  appendUnsigned(text, chain.from->totalBytes);
  text.append(" bytes):\n");
  console.out(text);
  for (size_t i = 0; i < chain.steps.size(); ++i) {
    text.clear();
    appendStep(text, analysis, *chain.steps[i], i == 0);
    console.out(text);
  }
  if (chain.continuesAs != nullptr) {
    text.assign("  ... continues as listed above from ");
    text.append(chain.continuesAs->fullName).push_back('\n');
    console.out(text);
  }
  if (chain.external) {
    text.clear();
    appendName(text, analysis.bound.externals.routines()[*chain.external].name);
    appendUnsigned(text, externalStepBytes(analysis, *chain.external), 2);
    text.append(" (outside the project, annotated)\n");
    console.out(text);
  }
}

}  // namespace

void printCallChains(Console& console, const Analysis& analysis) {
  for (const ListedChain& chain : listChains(analysis)) {
    printChain(console, analysis, chain);
  }
}

}  // namespace memtally
