#include "report/listings.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

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
void printRoutineRows(Console& console, const RoutineTable& table) {
  const auto& entries = table.entries;
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    const RoutineEntry& entry = *entries[i];
    if (entry.totalBytes == 0) continue;
    out.clear();
    if (i > 0) out.push_back('\n');
    appendRow(out, entry);
    for (const RoutineEntry* callee : calleesByTotal(entry)) {
      appendCalleeLine(out, *callee);
    }
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

void printDetailedAnalysis(const RoutineTable& table, Console& console) {
  std::string heading;
  appendDetailedHeading(heading);
  console.out(heading);
  printRoutineRows(console, table);
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
