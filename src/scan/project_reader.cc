#include "scan/project_reader.h"

#include <string>

#include "base/options.h"
#include "scan/lexer.h"
#include "scan/scanner.h"

namespace memtally {
namespace {

// The longest module file name one read of the project file takes.
constexpr size_t kProjectLineCapacity = 79;

// Runs processModule over every module the project lists, printing a
// "  Module:" line before each when `printModules` is set.
void scanListedModules(RoutineTable& table, FileSystem& files, Console& console,
                       LineReader& project, int options, bool printModules) {
  std::string line;
  while (project.readLine(line, kProjectLineCapacity)) {
    // Leading blanks stay part of the name; only trailing ones go.
    const std::string_view name = trimRight(line);
    if (skipSpace(name).empty()) continue;
    if (printModules) {
      console.out("  Module: \"" + std::string(name) + "\"\n");
    }
    processModule(table, files, console, name, options);
  }
}

}  // namespace

void readProjectFile(RoutineTable& table, FileSystem& files, Console& console,
                     LineReader& project, int options) {
  scanListedModules(table, files, console, project, options | SCAN_DEFINITIONS,
                    false);
  // Every routine is defined now; the calls pass resolves names by the runs
  // that this records.
  ensureRoutineOrder(table);
  project.rewind();
  scanListedModules(table, files, console, project, options, true);
}

}  // namespace memtally
