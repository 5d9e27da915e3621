#include "report/listings.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/bound.h"
#include "base/chars.h"
#include "base/format.h"
#include "analysis/requirement.h"

namespace memtally {
namespace {

const char kRule[] = "----------------------------------\n";

using Compare = int (*)(const RoutineEntry&, const RoutineEntry&);

// Sorts routines by `compare`, keeping the relative order of those that
// compare equal.
void sortRoutines(std::vector<const RoutineEntry*>& routines, Compare compare) {
  std::stable_sort(routines.begin(), routines.end(),
                   [compare](const RoutineEntry* a, const RoutineEntry* b) {
                     return compare(*a, *b) < 0;
                   });
}

// Returns the items of a list that may be absent, sorted by `compare`.
std::vector<const RoutineEntry*> sortedCopy(const RoutineRefList* list,
                                            Compare compare) {
  if (list == nullptr) return {};
  std::vector<const RoutineEntry*> items(list->items.begin(),
                                         list->items.end());
  sortRoutines(items, compare);
  return items;
}

// "%-35.35s %6u %6u %7u %6u\n": a routine's row in the detailed listing.
void appendRow(std::string& out, const RoutineEntry& entry) {
  appendColumn(out, entry.fullName, 35);
  out.push_back(' ');
  appendUnsigned(out, entry.paramBytes, 6);
  out.push_back(' ');
  appendUnsigned(out, entry.localBytes, 6);
  out.push_back(' ');
  appendUnsigned(out, entry.calleeBytes, 7);
  out.push_back(' ');
  appendUnsigned(out, entry.totalBytes, 6);
  out.push_back('\n');
}

// "  %-33.33s %21.21s %6u\n": a callee under its caller's row.
void appendCalleeLine(std::string& out, const RoutineEntry& callee) {
  out.append("  ");
  appendColumn(out, callee.fullName, 33);
  out.push_back(' ');
  appendBlanks(out, 21);
  out.push_back(' ');
  appendUnsigned(out, callee.totalBytes, 6);
  out.push_back('\n');
}

// "  %-33.33s %21.21s %6s\n": an external routine under its caller's row,
// with its annotated size or "?".
void appendExternalLine(std::string& out, std::string_view name,
                        std::optional<uint32_t> bytes) {
  out.append("  ");
  appendColumn(out, name, 33);
  out.push_back(' ');
  appendBlanks(out, 21);
  out.push_back(' ');
  if (bytes) {
    appendUnsigned(out, *bytes, 6);
  } else {
    appendBlanks(out, 5);
    out.push_back('?');
  }
  out.push_back('\n');
}

// The external routines each routine calls, by their index, largest size
// first and those without one last; empty outside bound mode.
class ExternalCallees {
 public:
  explicit ExternalCallees(const BoundFacts* bound) : bound_(bound) {
    if (bound_ == nullptr) return;
    for (const ExternalCall& call : bound_->externals.calls()) {
      byCaller_[call.caller].push_back(call.routine);
    }
    for (auto& [caller, routines] : byCaller_) {
      std::stable_sort(routines.begin(), routines.end(),
                       [this](uint32_t a, uint32_t b) {
                         const std::optional<uint32_t> sizeA = sizeOf(a);
                         const std::optional<uint32_t> sizeB = sizeOf(b);
                         return sizeA && (!sizeB || *sizeA > *sizeB);
                       });
    }
  }

  const std::vector<uint32_t>& of(const RoutineEntry& caller) const {
    static const std::vector<uint32_t> kNone;
    const auto found = byCaller_.find(&caller);
    return found == byCaller_.end() ? kNone : found->second;
  }

  std::optional<uint32_t> sizeOf(uint32_t external) const {
    return external < bound_->externalBytes.size()
               ? bound_->externalBytes[external]
               : std::nullopt;
  }

  std::string_view nameOf(uint32_t external) const {
    return bound_->externals.routines()[external].name;
  }

 private:
  const BoundFacts* bound_;
  std::unordered_map<const RoutineEntry*, std::vector<uint32_t>> byCaller_;
};

// The callee lines of `entry`: its routines by compareByTotal and, in bound
// mode, its external routines merged in by size, after routines of the
// same total.
void appendCallees(std::string& out, const RoutineEntry& entry,
                   const ExternalCallees& externals) {
  const std::vector<const RoutineEntry*> callees = calleesByTotal(entry);
  const std::vector<uint32_t>& outside = externals.of(entry);
  size_t next = 0;
  for (const RoutineEntry* callee : callees) {
    for (; next < outside.size(); ++next) {
      const std::optional<uint32_t> size = externals.sizeOf(outside[next]);
      if (!size || *size <= callee->totalBytes) break;
      appendExternalLine(out, externals.nameOf(outside[next]), size);
    }
    appendCalleeLine(out, *callee);
  }
  for (; next < outside.size(); ++next) {
    appendExternalLine(out, externals.nameOf(outside[next]),
                       externals.sizeOf(outside[next]));
  }
}

// "  %-33.33s %7u bytes\n": a task with its stack, the total plus 6.
void appendTaskLine(std::string& out, const RoutineEntry& task) {
  out.append("  ");
  appendColumn(out, task.fullName, 33);
  out.push_back(' ');
  appendUnsigned(out, taskStackBytes(task), 7);
  out.append(" bytes\n");
}

void appendDetailedHeading(std::string& out) {
  out.push_back('\n');
  appendBlanks(out, 23);
  out.append("Detailed Analysis\n");
  appendBlanks(out, 13);
  out.append("(N.B. invocation overhead is ");
  appendUnsigned(out, kCalleeOverhead);
  out.append(" bytes)\n");
  out.append(
      "Sub/Function                        Params Locals Callees  Total\n"
      "----------------------------------- ------ ------ ------- ------\n");
}

// Every computed routine in table order, each after an empty line except
// the one at index 0 of the table (also when earlier entries printed
// nothing), with its callees sorted by compareByTotal.
void printRoutineRows(Console& console, const RoutineTable& table,
                      const ExternalCallees& externals) {
  const auto& entries = table.entries;
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    const RoutineEntry& entry = *entries[i];
    if (entry.totalBytes == 0) continue;
    out.clear();
    if (i > 0) out.push_back('\n');
    appendRow(out, entry);
    appendCallees(out, entry, externals);
    console.out(out);
  }
}

// The stack of every task, computed or not, in table order; nothing when
// there is no task.
void printTaskBlock(Console& console, const RoutineTable& table) {
  std::string out;
  bool first = true;
  for (const RoutineEntry* entry : table.entries) {
    if ((entry->flags & ROUTINE_TASK) == 0) continue;
    out.clear();
    if (first) {
      out.append("\n\nStack requirements for tasks:\n");
      out.append(kRule);
      first = false;
    }
    appendTaskLine(out, *entry);
    console.out(out);
  }
}

}  // namespace

int compareByTotal(const RoutineEntry& a, const RoutineEntry& b) {
  if (a.totalBytes != b.totalBytes) return a.totalBytes > b.totalBytes ? -1 : 1;
  return compareByRoutineName(a, b);
}

int compareByRoutineName(const RoutineEntry& a, const RoutineEntry& b) {
  const int byRoutine = compareBytes(a.foldedRoutine(), b.foldedRoutine());
  if (byRoutine != 0) return byRoutine;
  return compareByFullName(a, b);
}

int compareByFullName(const RoutineEntry& a, const RoutineEntry& b) {
  return compareBytes(a.foldedName, b.foldedName);
}

std::vector<const RoutineEntry*> fullNameOrder(const RoutineTable& table) {
  std::vector<const RoutineEntry*> order(table.entries.begin(),
                                         table.entries.end());
  sortRoutines(order, compareByFullName);
  return order;
}

std::vector<const RoutineEntry*> calleesByTotal(const RoutineEntry& entry) {
  return sortedCopy(entry.calls, compareByTotal);
}

std::vector<const RoutineEntry*> callersByName(const RoutineEntry& entry) {
  return sortedCopy(entry.callers, compareByRoutineName);
}

void printDetailedAnalysis(const RoutineTable& table, Console& console,
                           const BoundFacts* bound) {
  std::string heading;
  appendDetailedHeading(heading);
  console.out(heading);
  printRoutineRows(console, table, ExternalCallees(bound));
  printTaskBlock(console, table);
}

void printUnusedRoutines(std::span<const RoutineEntry* const> order,
                         Console& console) {
  std::string out;
  bool first = true;
  for (const RoutineEntry* entry : order) {
    if (entry->totalBytes != 0) continue;
    out.clear();
    if (first) {
      out.append("\n\nUnused Routines:\n");
      out.append(kRule);
      first = false;
    }
    out.append(entry->fullName).push_back('\n');
    console.out(out);
  }
}

void printCallers(std::span<const RoutineEntry* const> order,
                  Console& console) {
  std::string out;
  bool first = true;
  for (const RoutineEntry* entry : order) {
    if (!entry->callers || entry->callers->items.empty()) continue;
    out.assign("\n");
    if (first) {
      out.append("\nRoutines and their callers:\n");
      out.append(kRule);
      first = false;
    }
    out.append(entry->fullName).push_back('\n');
    for (const RoutineEntry* caller : callersByName(*entry)) {
      out.append("  ").append(caller->fullName).push_back('\n');
    }
    console.out(out);
  }
}

}  // namespace memtally
