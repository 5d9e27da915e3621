#include "scan/project_reader.h"

#include <string>

#include "base/fatal.h"
#include "base/options.h"
#include "scan/lexer.h"
#include "scan/module_qualifiers.h"
#include "scan/scanner.h"

namespace memtally {
namespace {

// The longest module file name one read of the project file takes.
constexpr size_t kProjectLineCapacity = 79;

void warn(const ProjectWarnings& warnings, uint32_t line, WarningKind kind,
          std::string message) {
  warnings.log->add(WarningSource::kProject, 0, warnings.file, line, kind,
                    std::move(message));
}

// Warns about a module whose name is cut at a dot of a folder name (as
// ../lib/Motor.bas is, to "."), or is empty (as .bas is).
void noteModuleName(const ProjectWarnings& warnings, std::string_view file,
                    uint32_t line) {
  const std::string_view module = moduleNameOf(file);
  const std::string prefix = "the module name of " + std::string(file) +
                             " is \"" + std::string(module) + "\": ";
  if (module.empty()) {
    warn(warnings, line, WarningKind::kModuleName,
         prefix + "it is empty, so its routines are not recorded");
  } else if (module.size() < file.size() &&
             lastPathComponent(file).size() < file.size() - module.size()) {
    warn(warnings, line, WarningKind::kModuleName,
         prefix +
             "it is cut at a dot in a folder name, so its routines may merge "
             "with another module's");
  }
}

// Warns about what reading the line just read met: UTF-16 text at the
// start, and a line cut because it was longer than a module name may be.
void noteLine(const ProjectWarnings& warnings, const LineReader& project) {
  if (project.lineNumber() == 1 && project.looksLikeUtf16()) {
    warn(warnings, 1, WarningKind::kTextEndsEarly,
         "the file looks like UTF-16 text, which is not read; save it as "
         "ANSI or UTF-8");
  }
  if (project.lineWasCut()) {
    warn(warnings, project.lineNumber(), WarningKind::kLineCut,
         "line longer than 79 characters; it is read as more than one "
         "module name");
  }
}

// The definitions pass: runs processModule over every module the project
// lists and returns them in order.
std::vector<ProjectModule> scanDefinitions(RoutineTable& table,
                                           FileSystem& files, Console& console,
                                           LineReader& project, int options,
                                           const ProjectWarnings& warnings) {
  std::vector<ProjectModule> modules;
  std::string line;
  while (project.readLine(line, kProjectLineCapacity)) {
    if (warnings.log != nullptr) noteLine(warnings, project);
    // Leading blanks stay part of the name; only trailing ones go.
    const std::string_view name = trimRight(line);
    if (skipSpace(name).empty()) continue;
    if (warnings.log != nullptr) {
      noteModuleName(warnings, name, project.lineNumber());
    }
    ModuleContext context;
    context.position = static_cast<uint32_t>(modules.size());
    context.warnings = warnings.log;
    const bool opened = processModule(table, files, console, name,
                                      options | SCAN_DEFINITIONS, context);
    modules.push_back({std::string(name), project.lineNumber(), opened});
  }
  if (warnings.log != nullptr && project.earlyEndLine() != 0) {
    warn(warnings, project.earlyEndLine(), WarningKind::kTextEndsEarly,
         "byte 0x1A ends the text here; the rest of the file is not read");
  }
  return modules;
}

// The calls pass: prints a "  Module:" line for every module the project
// lists and runs processModule over it.
void scanCalls(RoutineTable& table, FileSystem& files, Console& console,
               LineReader& project, int options,
               const ProjectWarnings& warnings,
               const ModuleQualifiers& qualifiers) {
  std::string line;
  uint32_t position = 0;
  while (project.readLine(line, kProjectLineCapacity)) {
    const std::string_view name = trimRight(line);
    if (skipSpace(name).empty()) continue;
    console.out("  Module: \"" + std::string(name) + "\"\n");
    ModuleContext context;
    context.position = position++;
    context.warnings = warnings.log;
    context.qualifiers = &qualifiers;
    context.sites = warnings.sites;
    processModule(table, files, console, name, options, context);
  }
}

}  // namespace

std::vector<ProjectModule> readProjectFile(RoutineTable& table,
                                           FileSystem& files, Console& console,
                                           LineReader& project, int options,
                                           const ProjectWarnings& warnings) {
  std::vector<ProjectModule> modules =
      scanDefinitions(table, files, console, project, options, warnings);
  // Without the second reading no call would be recorded and the estimate
  // would be wrong, so a file that cannot be read again ends the run.
  if (!project.rewind()) {
    throw FatalError("Can't rewind the BasicX project file.\n");
  }
  // Every routine is defined now; the calls pass resolves names by the runs
  // that this records.
  ensureRoutineOrder(table);
  ModuleQualifiers qualifiers;
  if (warnings.log != nullptr) {
    for (const ProjectModule& module : modules) {
      qualifiers.add(moduleNameOf(module.file));
    }
  }
  scanCalls(table, files, console, project, options, warnings, qualifiers);
  return modules;
}

}  // namespace memtally
