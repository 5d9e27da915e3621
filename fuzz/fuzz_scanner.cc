// Fuzzes the module scanner on an arbitrary module text.
//
// The text is cut in the middle into two modules of one project, which are
// scanned in both passes, the calls pass collecting callers too, so that
// calls between modules, private routines and duplicate names are all
// reached. The only fatal outcome a
// module can cause is the overlong-line message; afterwards the routine
// table must be in order and its call and caller lists must agree. The same
// scan collecting the warnings of --check must build the same table, and
// every warning must be one line about a line the module has. The calls
// pass of bound mode must keep the table in order too, and record as
// external only identifiers that name no routine of the project.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/fatal.h"
#include "base/line_reader.h"
#include "base/options.h"
#include "base/warning_log.h"
#include "fuzz_check.h"
#include "routines/routine_table.h"
#include "scan/call_positions.h"
#include "scan/external_calls.h"
#include "scan/lexer.h"
#include "scan/project_declarations.h"
#include "scan/scanner.h"
#include "text_lines.h"

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

// What bound mode adds to a scan: the arrays the definitions pass gathers,
// and where the calls pass records external calls.
struct BoundRecords {
  ProjectDeclarations declarations;
  ArrayNames moduleArrays;
  ExternalCalls externals;
};

// Scans each module text in turn with the given options, recording in
// `warnings` what --check would say; in bound mode with `bound`.
void scanPass(RoutineTable& table, const std::string (&texts)[2], int options,
              WarningLog& warnings, BoundRecords* bound) {
  ModuleQualifiers qualifiers;
  for (const char* file : kModuleFiles) qualifiers.add(moduleNameOf(file));
  qualifiers.indexRoutines(table);
  CallSites sites;
  for (int i = 0; i < 2; ++i) {
    LineReader source(texts[i]);
    ModuleContext context{static_cast<uint32_t>(i), warnings, &qualifiers,
                          sites};
    if (bound != nullptr) {
      context.declarations = &bound->declarations;
      context.externals = &bound->externals;
      context.moduleArrays = &bound->moduleArrays;
    }
    scanModule(table, source, kModuleFiles[i], options, context);
  }
}

// Both passes over the modules; false when the overlong-line message ended
// them.
bool scanBoth(RoutineTable& table, const std::string (&texts)[2],
              WarningLog& warnings, BoundRecords* bound = nullptr) {
  try {
    scanPass(table, texts, OPT_CALLERS | SCAN_DEFINITIONS, warnings, bound);
    ensureRoutineOrder(table);
    if (bound != nullptr) {
      bound->moduleArrays.addModuleLevel(bound->declarations);
    }
    scanPass(table, texts, OPT_CALLERS, warnings, bound);
  } catch (const FatalError& error) {
    FUZZ_CHECK(error.stream() == Stream::kOut);
    FUZZ_CHECK(
        error.message().rfind("Line exceeded maximum length at line ", 0) == 0);
    return false;
  }
  return true;
}

// The two tables hold the same routines with the same flags and calls.
void checkSameTable(const RoutineTable& a, const RoutineTable& b) {
  FUZZ_CHECK(a.entries.size() == b.entries.size());
  for (size_t i = 0; i < a.entries.size(); ++i) {
    const RoutineEntry& x = *a.entries[i];
    const RoutineEntry& y = *b.entries[i];
    FUZZ_CHECK(x.fullName == y.fullName && x.flags == y.flags);
    FUZZ_CHECK((x.calls == nullptr) == (y.calls == nullptr));
    if (x.calls == nullptr) continue;
    FUZZ_CHECK(x.calls->items.size() == y.calls->items.size());
    for (size_t k = 0; k < x.calls->items.size(); ++k) {
      FUZZ_CHECK(x.calls->items[k]->fullName == y.calls->items[k]->fullName);
    }
  }
}

// Every external routine is an identifier that names no routine the caller
// could call, and every call of one has a caller of the table.
void checkExternals(const RoutineTable& table, const ExternalCalls& externals) {
  const std::unordered_set<const RoutineEntry*> known(table.entries.begin(),
                                                      table.entries.end());
  for (const ExternalCall& call : externals.calls()) {
    FUZZ_CHECK(known.count(call.caller) == 1);
    FUZZ_CHECK(call.routine < externals.routines().size());
    const std::string& name = externals.routines()[call.routine].name;
    FUZZ_CHECK(identifierLength(name) == static_cast<int>(name.size()));
    FUZZ_CHECK(findCalledRoutine(table, call.caller->moduleName(), name) ==
               nullptr);
  }
}

// Every warning is one line, about one of the modules, at a line it has.
void checkWarnings(const WarningLog& warnings, const std::string (&texts)[2]) {
  for (const Warning& warning : warnings.ordered()) {
    FUZZ_CHECK(warning.source == WarningSource::kModule);
    FUZZ_CHECK(warning.module < 2);
    FUZZ_CHECK(warning.file == kModuleFiles[warning.module]);
    FUZZ_CHECK(warning.line <= mostLines(texts[warning.module]));
    const std::string line = formatWarning(warning);
    FUZZ_CHECK(line.find('\n') == line.size() - 1);
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
  WarningLog warnings;
  WarningLog firstWarnings;
  RoutineTable checked;
  const bool scanned = scanBoth(table, modules, firstWarnings);
  FUZZ_CHECK(scanBoth(checked, modules, warnings) == scanned);
  if (!scanned) return 0;
  checkTable(table);
  checkSameTable(table, checked);
  checkWarnings(warnings, modules);
  RoutineTable bounded;
  WarningLog boundWarnings;
  BoundRecords bound;
  FUZZ_CHECK(scanBoth(bounded, modules, boundWarnings, &bound));
  checkTable(bounded);
  checkExternals(bounded, bound.externals);
  checkWarnings(boundWarnings, modules);
  freeRoutineTable(bounded);
  freeRoutineTable(table);
  return 0;
}
