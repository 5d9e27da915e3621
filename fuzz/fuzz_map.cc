// Fuzzes the map file reader on an arbitrary map text.
//
// The table starts with a few routines, as the source passes would leave it,
// so that map names meet existing entries as well as create new ones. The
// only fatal outcome a map file can cause is a data line whose name lacks a
// module or a routine; afterwards every entry must be a well-formed
// module.routine in routine order. Reading the same map while collecting
// the warnings of --check must give the same table and static RAM, and
// every warning must be one line about a line the map has.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/fatal.h"
#include "base/line_reader.h"
#include "fuzz_check.h"
#include "map/map_reader.h"
#include "routines/routine_table.h"
#include "text_lines.h"

namespace memtally::fuzz {
namespace {

// Routines that the sources of a small project would have defined.
void addSourceRoutines(RoutineTable& table) {
  const char* const routines[][2] = {
      {"Main", "Main"}, {"Main", "Blink"}, {"Serial", "Put"}, {"A", "B.C"}};
  for (const auto& routine : routines) {
    lookupOrAddRoutine(table, routine[0], routine[1], true)->flags =
        ROUTINE_DEFINED;
  }
}

// Every entry has a module part without a dot (the map splits at the first
// one) and a routine part, and the table is strictly in routine order.
void checkTable(RoutineTable& table) {
  ensureRoutineOrder(table);
  for (size_t i = 0; i < table.entries.size(); ++i) {
    const RoutineEntry* entry = table.entries[i];
    FUZZ_CHECK(entry->nameOffset >= 2);
    FUZZ_CHECK(entry->fullName[static_cast<size_t>(entry->nameOffset) - 1] ==
               '.');
    FUZZ_CHECK(!entry->routineName().empty());
    FUZZ_CHECK(entry->moduleName().find('.') == std::string_view::npos);
    FUZZ_CHECK(entry->fullName.find('\0') == std::string::npos);
    FUZZ_CHECK((entry->flags & ~ROUTINE_DEFINED) == 0);
    if (i > 0) {
      FUZZ_CHECK(compareRoutineOrder(*table.entries[i - 1], *entry) < 0);
    }
  }
}

// The two tables hold the same routines with the same sizes.
void checkSameSizes(RoutineTable& a, RoutineTable& b) {
  ensureRoutineOrder(a);
  ensureRoutineOrder(b);
  FUZZ_CHECK(a.entries.size() == b.entries.size());
  for (size_t i = 0; i < a.entries.size(); ++i) {
    FUZZ_CHECK(a.entries[i]->fullName == b.entries[i]->fullName);
    FUZZ_CHECK(a.entries[i]->paramBytes == b.entries[i]->paramBytes);
    FUZZ_CHECK(a.entries[i]->localBytes == b.entries[i]->localBytes);
  }
}

// Every warning is one line about the map, at a line it has.
void checkWarnings(const WarningLog& warnings, const std::string& text) {
  const size_t lines = mostLines(text);
  for (const Warning& warning : warnings.ordered()) {
    FUZZ_CHECK(warning.source == WarningSource::kMap);
    FUZZ_CHECK(warning.file == "P.mpp");
    FUZZ_CHECK(warning.line <= lines);
    const std::string line = formatWarning(warning);
    FUZZ_CHECK(line.find('\n') == line.size() - 1);
  }
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally;
  using namespace memtally::fuzz;
  const std::string text(reinterpret_cast<const char*>(data), size);
  RoutineTable table;
  addSourceRoutines(table);
  const size_t before = table.entries.size();
  LineReader map(text);
  uint32_t staticRam = 0;
  WarningLog firstWarnings;
  try {
    staticRam = processMap(table, map,
                           {firstWarnings, WarningSource::kMap, 0, "P.mpp"});
  } catch (const FatalError& error) {
    FUZZ_CHECK(error.stream() == Stream::kErr);
    FUZZ_CHECK(error.message().rfind(
                   "Failed to create a symbol table entry for \"", 0) == 0);
    return 0;
  }
  WarningLog warnings;
  RoutineTable checked;
  addSourceRoutines(checked);
  LineReader again(text);
  FUZZ_CHECK(processMap(checked, again,
                        {warnings, WarningSource::kMap, 0, "P.mpp"}) ==
             staticRam);
  checkSameSizes(table, checked);
  checkWarnings(warnings, text);
  // Nothing is read before the static RAM line.
  if (text.find("RAM allocated:") == std::string::npos) {
    FUZZ_CHECK(staticRam == 0);
    FUZZ_CHECK(table.entries.size() == before);
  }
  checkTable(table);
  freeRoutineTable(table);
  return 0;
}
