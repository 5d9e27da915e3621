// The module scanner: finds the Sub and Function definitions of a BasicX
// source module, the routines their bodies call and the tasks they start.
#ifndef MEMTALLY_SCAN_SCANNER_H_
#define MEMTALLY_SCAN_SCANNER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "analysis/progress.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "base/warning_log.h"
#include "routines/routine_table.h"
#include "scan/call_positions.h"
#include "scan/call_sites.h"
#include "scan/external_calls.h"
#include "scan/module_qualifiers.h"
#include "scan/project_declarations.h"
#include "scan/task_starts.h"

namespace memtally {

// The longest logical line of module source, continuation lines joined.
inline constexpr size_t kMaxSourceLine = 511;

// Returns the module name of a module file: the file name up to its last
// '.', directories kept; a name without a dot whole.
std::string_view moduleNameOf(std::string_view fileName);

// The routine names that several modules define publicly whose calls were
// warned about: one warning a name for the whole project.
using AmbiguousNames = std::unordered_set<const RoutineRun*>;

// What a scan knows of the module beyond its name, for the warnings, the
// chains and the documents: where the module stands in the project, where
// warnings go, the project's modules for recognising qualified names, where
// the calls it records are written down, and the names of ambiguous calls.
struct ModuleContext {
  uint32_t position;                     // its place among the modules
  WarningLog& warnings;                  // what the scan finds doubtful
  const ModuleQualifiers* qualifiers;    // null: none are looked for
  CallSites& sites;                      // where each new call stands
  AmbiguousNames* ambiguous = nullptr;   // null: ambiguity is not looked for
  // What the definitions pass finds declared, and the calltask lines of the
  // calls pass; null: not recorded.
  ProjectDeclarations* declarations = nullptr;
  std::vector<TaskStart>* taskStarts = nullptr;
  // Bound mode: where the calls pass records calls of routines no module
  // defines; null in classic mode, whose calls are only the known routines.
  ExternalCalls* externals = nullptr;
  // Bound mode: the arrays that the modules of the project declare at
  // module level, which a name followed by '(' may index; null: none.
  const ArrayNames* moduleArrays = nullptr;
};

// Opens the module file `fileName` and scans it with scanModule. A module
// that cannot be opened is reported to `progress` and skipped. Returns
// whether the module could be opened.
bool processModule(RoutineTable& table, FileSystem& files, Progress& progress,
                   std::string_view fileName, int options,
                   const ModuleContext& context);

// Scans the module text that `source` reads, named `fileName`: with
// SCAN_DEFINITIONS in `options` it adds every definition to the table,
// without it it records calls (and callers with OPT_CALLERS) and task
// starts. The definitions pass records in the context's warning log what
// it reads doubtfully (cut lines, missing End lines, text that ends early),
// the calls pass the calls and task starts it cannot count. Throws
// FatalError when a continued line grows too long.
void scanModule(RoutineTable& table, LineReader& source,
                std::string_view fileName, int options,
                const ModuleContext& context);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_SCANNER_H_
