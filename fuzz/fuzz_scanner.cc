// Fuzzes the module scanner on an arbitrary module text.
//
// The text is cut in the middle into two modules of one project, which are
// scanned in both passes, the calls pass collecting callers too, so that
// calls between modules, private routines and duplicate names are all
// reached. The only fatal outcome a
// module can cause is the overlong-line message; afterwards the routine
// table must be in order and its call and caller lists must agree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/fatal.h"
#include "base/line_reader.h"
#include "base/options.h"
#include "fuzz_check.h"
#include "routines/routine_table.h"
#include "scan/lexer.h"
#include "scan/scanner.h"

namespace memtally::fuzz {
namespace {

const char* const kModuleFiles[] = {"A.bas", "Io/Serial.bas"};

bool holds(const RoutineRefList* list, const RoutineEntry* entry) {
  if (list == nullptr) return false;
  for (const RoutineEntry* item : list->items) {
    if (item == entry) return true;
  }
  return false;
}

// A list holds no entry twice, only entries of the table, and fits its
// capacity, which grows in steps.
void checkList(const RoutineRefList* list,
               const std::unordered_set<const RoutineEntry*>& known) {
  if (list == nullptr) return;
  FUZZ_CHECK(list->count() >= 1);
  FUZZ_CHECK(list->count() <= list->capacity);
  FUZZ_CHECK(list->capacity % kListCapacityStep == 0);
  std::unordered_set<const RoutineEntry*> seen;
  for (const RoutineEntry* item : list->items) {
    FUZZ_CHECK(known.count(item) == 1);
    FUZZ_CHECK(seen.insert(item).second);
  }
}

// Every entry is a definition of one of the two modules, named by an
// identifier; the table is strictly in routine order; every call has its
// caller recorded on the callee, and every caller its call.
void checkTable(RoutineTable& table) {
  ensureRoutineOrder(table);
  std::unordered_set<const RoutineEntry*> known(table.entries.begin(),
                                                table.entries.end());
  FUZZ_CHECK(known.size() == table.entries.size());
  for (size_t i = 0; i < table.entries.size(); ++i) {
    const RoutineEntry* entry = table.entries[i];
    const std::string_view module = entry->moduleName();
    FUZZ_CHECK(module == "A" || module == "Io/Serial");
    const std::string_view routine = entry->routineName();
    FUZZ_CHECK(!routine.empty());
    FUZZ_CHECK(identifierLength(routine) == static_cast<int>(routine.size()));
    FUZZ_CHECK((entry->flags & ROUTINE_DEFINED) != 0);
    FUZZ_CHECK((entry->flags & ~(ROUTINE_DEFINED | ROUTINE_PRIVATE |
                                 ROUTINE_FUNCTION | ROUTINE_TASK)) == 0);
    if (i > 0) {
      FUZZ_CHECK(compareRoutineOrder(*table.entries[i - 1], *entry) < 0);
    }
    checkList(entry->calls, known);
    checkList(entry->callers, known);
    if (entry->calls) {
      for (const RoutineEntry* callee : entry->calls->items) {
        FUZZ_CHECK(holds(callee->callers, entry));
      }
    }
    if (entry->callers) {
      for (const RoutineEntry* caller : entry->callers->items) {
        FUZZ_CHECK(holds(caller->calls, entry));
      }
    }
  }
}

// Scans each module text in turn with the given options.
void scanPass(RoutineTable& table, const std::string (&texts)[2], int options) {
  for (int i = 0; i < 2; ++i) {
    LineReader source(texts[i]);
    scanModule(table, source, kModuleFiles[i], options);
  }
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally;
  using namespace memtally::fuzz;
  const char* text = reinterpret_cast<const char*>(data);
  const std::string modules[2] = {
      std::string(text, size / 2),
      std::string(text + size / 2, size - size / 2)};
  RoutineTable table;
  try {
    scanPass(table, modules, OPT_CALLERS | SCAN_DEFINITIONS);
    ensureRoutineOrder(table);
    scanPass(table, modules, OPT_CALLERS);
  } catch (const FatalError& error) {
    FUZZ_CHECK(error.stream() == Stream::kOut);
    FUZZ_CHECK(
        error.message().rfind("Line exceeded maximum length at line ", 0) == 0);
    return 0;
  }
  checkTable(table);
  freeRoutineTable(table);
  return 0;
}
