#include "report/task_listing.h"

#include <string>

#include "base/format.h"

namespace memtally {
namespace {

constexpr size_t kTaskWidth = 35;
constexpr size_t kArrayWidth = 20;
constexpr size_t kPlaceWidth = 22;

// Appends `text` in `width` columns and a blank, or whole and a blank when
// it is longer: names are never cut.
void appendName(std::string& out, std::string_view text, size_t width) {
  out.append(text);
  if (text.size() < width) appendBlanks(out, width - text.size());
  out.push_back(' ');
}

// Appends a byte count right-aligned in six columns and a blank, "-" when
// it is not known.
void appendBytes(std::string& out, std::optional<int64_t> bytes) {
  std::string number = "-";
  if (bytes) {
    number.clear();
    if (*bytes < 0) number.push_back('-');
    appendUnsigned(number, static_cast<uint64_t>(*bytes < 0 ? -*bytes : *bytes));
  }
  if (number.size() < 6) appendBlanks(out, 6 - number.size());
  out.append(number);
}

std::string declaredAt(const Analysis& analysis, const TaskStack& stack) {
  if (stack.array == nullptr) return "-";
  std::string text = stack.array->module < analysis.modules.size()
                         ? analysis.modules[stack.array->module].file
                         : std::string("?");
  text.push_back(':');
  appendUnsigned(text, stack.array->place.line);
  return text;
}

std::string row(const Analysis& analysis, const TaskStack& stack) {
  std::string out;
  appendName(out, taskName(*stack.start), kTaskWidth);
  const TaskStart& start = *stack.start;
  appendName(out, start.stackArgument ? *start.stackArgument : "-",
             kArrayWidth);
  appendName(out, declaredAt(analysis, stack), kPlaceWidth);
  appendBytes(out, stack.arrayBytes ? std::optional<int64_t>(*stack.arrayBytes)
                                    : std::nullopt);
  out.push_back(' ');
  appendBytes(out, stack.neededBytes
                       ? std::optional<int64_t>(*stack.neededBytes)
                       : std::nullopt);
  out.push_back(' ');
  appendBytes(out, stack.fit != StackFit::kUnknown
                       ? std::optional<int64_t>(stack.spareBytes())
                       : std::nullopt);
  if (stack.fit == StackFit::kTooSmall) out.append("  too small");
  if (stack.fit == StackFit::kUnknown) out.append("  unchecked");
  // Bound mode: a need that is only a lower bound leaves the fit unknown.
  if (stack.fit == StackFit::kUnknown && stack.needAtLeast &&
      stack.neededBytes) {
    out.append(": needs at least ");
    appendUnsigned(out, *stack.neededBytes);
  }
  out.push_back('\n');
  return out;
}

}  // namespace

void printTaskStacks(Console& console, const Analysis& analysis) {
  if (analysis.taskStacks.empty()) return;
  console.out(
      "\n\nTask stacks:\n"
      "Task                                Stack array          Declared at  "
      "          Holds  Needs  Spare\n"
      "----------------------------------- -------------------- "
      "---------------------- ------ ------ ------\n");
  for (const TaskStack& stack : analysis.taskStacks) {
    console.out(row(analysis, stack));
  }
}

}  // namespace memtally
