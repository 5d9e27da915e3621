#include "scan/project_reader.h"

#include <optional>
#include <string>

#include "base/fatal.h"
#include "base/options.h"
#include "scan/call_positions.h"
#include "scan/lexer.h"
#include "scan/module_qualifiers.h"
#include "scan/scanner.h"

namespace memtally {
namespace {

// The longest module file name one read of the project file takes.
constexpr size_t kProjectLineCapacity = 79;

// Warns about a module whose name is cut at a dot of a folder name (as
// ../lib/Motor.bas is, to "."), or is empty (as .bas is).
void noteModuleName(const FileWarnings& warnings, std::string_view file,
                    uint32_t line) {
  const std::string_view module = moduleNameOf(file);
  const std::string prefix = "the module name of " + std::string(file) +
                             " is \"" + std::string(module) + "\": ";
  if (module.empty()) {
    warnings.add(line, WarningKind::kModuleName,
                 prefix + "it is empty, so its routines are not recorded");
  } else if (module.size() < file.size() &&
             lastPathComponent(file).size() < file.size() - module.size()) {
    warnings.add(line, WarningKind::kModuleName,
                 prefix +
                     "it is cut at a dot in a folder name, so its routines "
                     "may merge with another module's");
  }
}

// The definitions pass: runs processModule over every module the project
// lists and returns them in order.
std::vector<ProjectModule> scanDefinitions(RoutineTable& table,
                                           FileSystem& files,
                                           Progress& progress,
                                           LineReader& project, int options,
                                           const ProjectRecords& records) {
  const FileWarnings warnings{records.warnings, WarningSource::kProject, 0,
                              records.file};
  std::vector<ProjectModule> modules;
  std::string line;
  while (project.readLine(line, kProjectLineCapacity)) {
    noteLineRead(warnings, project, kProjectLineCapacity, "module name");
    // Leading blanks stay part of the name; only trailing ones go.
    const std::string_view name = trimRight(line);
    if (skipSpace(name).empty()) continue;
    noteModuleName(warnings, name, project.lineNumber());
    ModuleContext context{static_cast<uint32_t>(modules.size()),
                          records.warnings, nullptr, records.sites};
    context.declarations = records.declarations;
    const bool opened = processModule(table, files, progress, name,
                                      options | SCAN_DEFINITIONS, context);
    modules.push_back({std::string(name), project.lineNumber(), opened});
  }
  noteEarlyEnd(warnings, project);
  return modules;
}

// The calls pass: tells `progress` of every module the project lists and
// runs processModule over it.
void scanCalls(RoutineTable& table, FileSystem& files, Progress& progress,
               LineReader& project, int options, const ProjectRecords& records,
               const ModuleQualifiers& qualifiers,
               const ArrayNames* moduleArrays) {
  std::string line;
  uint32_t position = 0;
  AmbiguousNames ambiguous;
  while (project.readLine(line, kProjectLineCapacity)) {
    const std::string_view name = trimRight(line);
    if (skipSpace(name).empty()) continue;
    progress.scanningModule(name);
    ModuleContext context{position++, records.warnings, &qualifiers,
                          records.sites, &ambiguous};
    context.taskStarts = records.taskStarts;
    context.externals = records.externals;
    context.moduleArrays = moduleArrays;
    processModule(table, files, progress, name, options, context);
  }
}

}  // namespace

std::vector<ProjectModule> readProjectFile(RoutineTable& table,
                                           FileSystem& files,
                                           Progress& progress,
                                           LineReader& project, int options,
                                           const ProjectRecords& records) {
  // Bound mode tells arrays from calls by the arrays the modules declare,
  // which the definitions pass gathers also when no one else asks for them.
  ProjectRecords gathering = records;
  std::optional<ProjectDeclarations> ownDeclarations;
  if (records.externals != nullptr && records.declarations == nullptr) {
    gathering.declarations = &ownDeclarations.emplace();
  }
  std::vector<ProjectModule> modules =
      scanDefinitions(table, files, progress, project, options, gathering);
  // Without the second reading no call would be recorded and the estimate
  // would be wrong, so a file that cannot be read again ends the run.
  if (!project.rewind()) {
    throw FatalError("Can't rewind the BasicX project file.\n");
  }
  // Every routine is defined now; the calls pass resolves names by the runs
  // that this records.
  ensureRoutineOrder(table);
  ModuleQualifiers qualifiers;
  for (const ProjectModule& module : modules) {
    qualifiers.add(moduleNameOf(module.file));
  }
  qualifiers.indexRoutines(table);
  std::optional<ArrayNames> moduleArrays;
  if (records.externals != nullptr) {
    moduleArrays.emplace().addModuleLevel(*gathering.declarations);
  }
  scanCalls(table, files, progress, project, options, records, qualifiers,
            moduleArrays ? &*moduleArrays : nullptr);
  return modules;
}

}  // namespace memtally
