// The warnings of --check: places where the estimate cannot be trusted, found
// while the project file, the modules and the map file are read and while
// the requirements are computed.
#ifndef MEMTALLY_BASE_WARNING_LOG_H_
#define MEMTALLY_BASE_WARNING_LOG_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <tuple>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "base/line_reader.h"

namespace memtally {

// What a warning is about; the documents name each kind.
enum class WarningKind {
  kRecursion,          // a recursive call was cut and counts 0 bytes
  kQualifiedCall,      // Module.Routine is not resolved as a call
  kTaskElsewhere,      // calltask of a routine this module does not define
  kMissingEnd,         // a routine's body runs to the end of its module
  kNestedDefinition,   // a definition line inside another routine's body
  kUnknownMapRoutine,  // the map names a routine no module defines
  kMainFromTask,       // main was computed for a task, with overhead 9
  kLineCut,            // an over-long line was read as several
  kWrapAround,         // a total exceeds 32 bits and wraps around
  kTextEndsEarly,      // a NUL, a 0x1A or UTF-16 text ends the reading
  kMapIncomplete,      // the map lacks its RAM line or its end
  kMapSplit,           // a routine's map records stand in two stretches
  kNumberTooLarge,     // a map number exceeds 32 bits
  kModuleName,         // a module name cut in a folder name, or empty
  kTopAmbiguous,       // several modules define the top routine's name
  kCallAmbiguous,      // a call means one of several modules' routines
  kTaskStackTooSmall,  // a task's stack array holds less than it needs
  kTaskStackUnknown,   // a task's stack cannot be checked
  kTaskStackShared,    // one array is the stack of two different tasks
  kTaskStackLocal,     // a task's stack is a local of the starting routine
  kExternalCall,        // bound mode: a routine outside the project, unsized
  kRecursionUnbounded,  // bound mode: a recursion without a depth
  kAnnotationStale,     // an annotation that changes nothing any more
  kAnnotationBelow,     // a stack annotation below what its routine needs
};

// The name of a kind in the documents: "recursion", "qualified-call", ...
std::string_view warningKindName(WarningKind kind);

// Which input a warning belongs to; the printed warnings come in this order.
enum class WarningSource {
  kProject,      // the project file
  kModule,       // a module, by its position in the project file
  kMap,          // the map file
  kAnnotations,  // the annotation file of bound mode
  kComputation,  // the requirement computation, in routine order
};

// A place in a file: a physical line and a byte column on it, both counted
// from 1.
struct Place {
  uint32_t line = 0;    // 0: the whole file
  uint32_t column = 1;  // 1 also where the whole line is meant
};

struct Warning {
  WarningSource source = WarningSource::kProject;
  size_t module = 0;  // the module's position in the project file
  std::string file;   // as the project file lists it, or the map file's name
  uint32_t line = 0;  // physical line, counted from 1; 0: no line applies
  WarningKind kind = WarningKind::kRecursion;
  std::string message;
  uint32_t column = 1;  // byte column of what it is about, counted from 1
};

// The warnings of one run, collected in any order.
class WarningLog {
 public:
  // Records a warning, its message made one line, unless one equal to it in
  // file, line and message is recorded already; of two such, the one that
  // comes first in the printed order is kept.
  void add(Warning warning);

  // Records a warning of `kind` at `place` of `file`, found in `source`, at
  // position `module` for a module.
  void add(WarningSource source, size_t module, std::string_view file,
           Place place, WarningKind kind, std::string message) {
    add(Warning{source, module, std::string(file), place.line, kind,
                std::move(message), place.column});
  }

  // Returns the warnings in the order they are printed: the project file's
  // by line, then each module's in project-file order and by line, then the
  // map file's by line, then the annotation file's by line, then the
  // computation's as they were added.
  std::vector<Warning> ordered() const;

  // The number of warnings recorded, each once.
  size_t size() const { return warnings_.size(); }

 private:
  // A warning's file, line and message, which make it the same as another.
  using Identity = std::tuple<std::string_view, uint32_t, std::string_view>;
  struct IdentityHash {
    size_t operator()(const Identity& identity) const;
  };

  // Where the warnings stay put, so that the identities can view them.
  std::deque<Warning> warnings_;
  std::unordered_map<Identity, size_t, IdentityHash> recorded_;
};

// The warnings about one input file: the log they go to, the input they are
// filed under and the file's name as they show it.
struct FileWarnings {
  WarningLog& log;
  WarningSource source;
  size_t module;  // the module's position in the project file
  std::string_view file;

  // Records a warning of `kind` at `place`.
  void add(Place place, WarningKind kind, std::string message) const {
    log.add(source, module, file, place, kind, std::move(message));
  }

  // Records a warning of `kind` about the whole of `line` (0: the file).
  void add(uint32_t line, WarningKind kind, std::string message) const {
    add(Place{line, 1}, kind, std::move(message));
  }
};

// Records what reading the line just read met: UTF-16 text at the start of
// the file, a line cut at `capacity` characters, whose rest is read as
// another `piece` ("line", "module name"), and a NUL byte that ended the
// line's text early: one first in the line only when `nulFirstCounts`
// (where the caller warns about it in its own way otherwise).
void noteUnusualLine(const FileWarnings& warnings, const LineReader& reader,
                     size_t capacity, std::string_view piece,
                     bool nulFirstCounts);
inline void noteLineRead(const FileWarnings& warnings,
                         const LineReader& reader, size_t capacity,
                         std::string_view piece, bool nulFirstCounts = true) {
  // Nearly every line meets none of it; this runs for every line read.
  if (reader.lineNumber() == 1 || reader.lineWasCut() ||
      reader.nulColumn() != 0) {
    noteUnusualLine(warnings, reader, capacity, piece, nulFirstCounts);
  }
}

// Records a byte 0x1A that ended the reader's text before its end.
void noteEarlyEnd(const FileWarnings& warnings, const LineReader& reader);

// Formats a warning as the line --check prints, in the form compilers use:
// "FILE:LINE:COLUMN: warning: TEXT", or "FILE: warning: TEXT" when no line
// applies, with its newline.
std::string formatWarning(const Warning& warning);

// Formats one line in the form compilers use, "FILE:LINE:COLUMN: SEVERITY:
// MESSAGE", or "FILE: SEVERITY: MESSAGE" for line 0, with its newline.
std::string formatDiagnostic(std::string_view file, uint32_t line,
                             uint32_t column, std::string_view severity,
                             std::string_view message);

}  // namespace memtally

#endif  // MEMTALLY_BASE_WARNING_LOG_H_
