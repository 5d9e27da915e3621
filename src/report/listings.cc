#include "report/listings.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "base/chars.h"
#include "base/format.h"
#include "base/name_sort.h"
#include "report/requirement.h"

namespace memtally {
namespace {

// Size at which a listing hands its text to the console, so that a large
// table is neither written line by line nor held whole in memory.
constexpr size_t kChunkSize = 16 * 1024;

const char kRule[] = "----------------------------------\n";

// Text of a listing on its way to standard output.
class ListingText {
 public:
  explicit ListingText(Console& console) : console_(console) {
    text_.reserve(kChunkSize + 256);
  }

  std::string& text() { return text_; }

  // Writes the text held when it has grown to a chunk.
  void lineDone() {
    if (text_.size() >= kChunkSize) flush();
  }

  // Writes whatever is held.
  void flush() {
    if (!text_.empty()) console_.out(text_);
    text_.clear();
  }

 private:
  Console& console_;
  std::string text_;
};

// Lists up to this long are sorted by insertion.
constexpr size_t kInsertionSortLimit = 16;

using Compare = int (*)(const RoutineEntry&, const RoutineEntry&);

// Sorts a list in place by `compare`, keeping the relative order of items
// that compare equal.
void sortList(std::span<RoutineEntry*> items, Compare compare) {
  if (items.size() <= 1) return;
  const auto before = [compare](const RoutineEntry* a, const RoutineEntry* b) {
    return compare(*a, *b) < 0;
  };
  if (items.size() > kInsertionSortLimit) {
    std::stable_sort(items.begin(), items.end(), before);
    return;
  }
  // Most lists are short: an insertion sort, stable as well, spares them the
  // merge buffer that stable_sort allocates for every call.
  for (size_t i = 1; i < items.size(); ++i) {
    RoutineEntry* item = items[i];
    size_t j = i;
    for (; j > 0 && before(item, items[j - 1]); --j) items[j] = items[j - 1];
    items[j] = item;
  }
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
  appendUnsigned(out, static_cast<uint32_t>(task.totalBytes + 6), 7);
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
// nothing), with its callees sorted by compareByTotal. Every call list is
// sorted, also those of routines not printed.
void appendRoutineRows(ListingText& listing, const RoutineTable& table) {
  const auto& entries = table.entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    const RoutineEntry& entry = *entries[i];
    if (entry.calls) sortList(entry.calls->items, compareByTotal);
    if (entry.totalBytes == 0) continue;
    std::string& out = listing.text();
    if (i > 0) out.push_back('\n');
    appendRow(out, entry);
    listing.lineDone();
    if (!entry.calls) continue;
    for (const RoutineEntry* callee : entry.calls->items) {
      appendCalleeLine(listing.text(), *callee);
      listing.lineDone();
    }
  }
}

// The stack of every task, computed or not, in table order; nothing when
// there is no task.
void appendTaskBlock(ListingText& listing, const RoutineTable& table) {
  bool first = true;
  for (const RoutineEntry* entry : table.entries) {
    if ((entry->flags & ROUTINE_TASK) == 0) continue;
    if (first) {
      listing.text().append("\n\nStack requirements for tasks:\n");
      listing.text().append(kRule);
      first = false;
    }
    appendTaskLine(listing.text(), *entry);
    listing.lineDone();
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

void printDetailedAnalysis(RoutineTable& table, Console& console) {
  ListingText listing(console);
  appendDetailedHeading(listing.text());
  appendRoutineRows(listing, table);
  appendTaskBlock(listing, table);
  listing.flush();
}

void printUnusedRoutines(RoutineTable& table, Console& console) {
  if (table.entries.empty()) return;
  // The table stays in full-name order for the rest of the run, and the
  // callers listing lists its routines in that order. Routines whose full
  // names are equal keep their routine order.
  sortByName<RoutineEntry>(
      table.entries, [](const RoutineEntry& entry) { return entry.foldedName; },
      compareByFullName);
  ListingText listing(console);
  bool first = true;
  for (const RoutineEntry* entry : table.entries) {
    if (entry->totalBytes != 0) continue;
    if (first) {
      listing.text().append("\n\nUnused Routines:\n");
      listing.text().append(kRule);
      first = false;
    }
    listing.text().append(entry->fullName).push_back('\n');
    listing.lineDone();
  }
  listing.flush();
}

void printCallers(RoutineTable& table, Console& console) {
  ListingText listing(console);
  bool first = true;
  for (const RoutineEntry* entry : table.entries) {
    if (!entry->callers || entry->callers->items.empty()) continue;
    sortByName<RoutineEntry>(
        entry->callers->items,
        [](const RoutineEntry& caller) { return caller.foldedRoutine(); },
        compareByRoutineName);
    std::string& out = listing.text();
    out.push_back('\n');
    if (first) {
      out.append("\nRoutines and their callers:\n");
      out.append(kRule);
      first = false;
    }
    out.append(entry->fullName).push_back('\n');
    for (const RoutineEntry* caller : entry->callers->items) {
      listing.text().append("  ").append(caller->fullName).push_back('\n');
      listing.lineDone();
    }
    listing.lineDone();
  }
  listing.flush();
}

}  // namespace memtally
