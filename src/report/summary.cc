#include "report/summary.h"

#include <string>

#include "base/format.h"

namespace memtally {
namespace {

// Appends one labelled figure: the label (25 characters with its colon), a
// blank and the number in at least four columns.
void appendFigure(std::string& out, const char* label, uint32_t value) {
  out.append(label);
  out.push_back(' ');
  appendUnsigned(out, value, 4);
  out.push_back('\n');
}

void appendHeading(std::string& out, const RoutineEntry& top,
                   bool applicationMode, std::string_view target) {
  if (applicationMode) {
    out.append("Estimate of application RAM use:\n");
    return;
  }
  out.append("Estimate of ");
  out.append((top.flags & ROUTINE_FUNCTION) != 0 ? "function" : "sub");
  out.push_back('\t');
  out.append(target);
  out.append(" RAM use:\n");
}

}  // namespace

void printSummary(Console& console, const RoutineEntry& top, uint32_t total,
                  bool applicationMode, std::string_view target,
                  uint32_t staticRam) {
  std::string text = "\n";
  appendHeading(text, top, applicationMode, target);
  appendFigure(text, "     Invocation overhead:", top.invocationOverhead);
  appendFigure(text, "       Passed parameters:", top.paramBytes);
  appendFigure(text, "         Local variables:", top.localBytes);
  appendFigure(text, "  Invoked functions/subs:", top.calleeBytes);
  if (applicationMode) {
    appendFigure(text, "        Static variables:", staticRam);
    total += staticRam;
  }
  text.append("                          ----\n");
  appendFigure(text, "                   Total:", total);
  console.out(text);
}

}  // namespace memtally
