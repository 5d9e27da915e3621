#include "scan/scanner.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
#include "base/options.h"
#include "scan/declarations.h"
#include "scan/lexer.h"

namespace memtally {
namespace {

constexpr size_t kNone = std::string_view::npos;

// What one call of scanModule knows about the module it reads.
struct ModuleScan {
  ModuleScan(RoutineTable& table, LineReader& source, std::string_view fileName,
             int options, const ModuleContext& context)
      : table(table),
        source(source),
        fileName(fileName),
        module(moduleNameOf(fileName)),
        options(options),
        definitionsPass((options & SCAN_DEFINITIONS) != 0),
        boundCalls(!definitionsPass && context.externals != nullptr),
        context(context) {
    if (boundCalls) {
      localArrays.emplace(context.moduleArrays != nullptr
                              ? context.moduleArrays->hash()
                              : NameHash());
    }
  }

  RoutineTable& table;
  LineReader& source;
  std::string_view fileName;
  std::string_view module;
  int options;
  bool definitionsPass;
  bool boundCalls;  // the calls pass of bound mode
  const ModuleContext& context;

  uint32_t lineCount = 0;  // physical lines read, for the overlong message
  bool insideRoutine = false;
  RoutineEntry* current = nullptr;  // the routine whose body is read, if any
  uint32_t kind = 0;  // ROUTINE_PRIVATE and ROUTINE_FUNCTION as defined
  std::string line;   // the logical line, continuation lines joined
  std::string piece;  // the physical line just read

  // Where each physical line of the logical line begins in it: its offset
  // there, and its line and column in the file.
  struct Piece {
    size_t offset;
    Place place;
  };
  std::vector<Piece> pieces;
  Place definition;  // where the current routine's name stands
  // The full name of a routine without an entry, for the warnings.
  std::string definitionName;
  // Bound mode's calls pass: the arrays the current routine declares by Dim
  // and takes as parameters.
  std::optional<ArrayNames> localArrays;
};

// The warnings of a module: the definitions pass records what concerns the
// reading of the module, the calls pass what concerns calls and task starts.
FileWarnings warningsOf(const ModuleScan& scan) {
  return {scan.context.warnings, WarningSource::kModule, scan.context.position,
          scan.fileName};
}

void warn(const ModuleScan& scan, Place place, WarningKind kind,
          std::string message) {
  warningsOf(scan).add(place, kind, std::move(message));
}

// Returns where `text`, a part of the logical line, begins in the file: on
// the physical line it stands on, also inside a continued line.
Place placeOf(const ModuleScan& scan, std::string_view text) {
  const size_t offset = static_cast<size_t>(text.data() - scan.line.data());
  auto piece = scan.pieces.rbegin();
  while (piece + 1 != scan.pieces.rend() && piece->offset > offset) ++piece;
  return {piece->place.line,
          piece->place.column + static_cast<uint32_t>(offset - piece->offset)};
}

// Warns, in the definitions pass, about what reading the piece just read
// met: UTF-16 text at the start, and a physical line cut because it did
// not fit.
void notePiece(ModuleScan& scan) {
  if (!scan.definitionsPass) return;
  // A line that begins with NUL ends the module: noteNulEnd says so.
  noteLineRead(warningsOf(scan), scan.source, kMaxSourceLine, "line", false);
}

// Warns, in the definitions pass, that a line beginning with NUL ended the
// module; UTF-16 text is warned about as such.
void noteNulEnd(const ModuleScan& scan) {
  if (!scan.definitionsPass || scan.source.looksLikeUtf16()) return;
  warn(scan, {scan.source.lineNumber(), scan.source.lineColumn()},
       WarningKind::kTextEndsEarly,
       "a NUL byte ends the module here; the rest of the file is not read");
}

// The words of definition and End lines are separated by blanks and tabs
// only; returns the position of the first of them, kNone when there is none.
size_t findBlank(std::string_view text) {
  const auto blank = std::find_if(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '\t';
  });
  return blank == text.end() ? kNone
                             : static_cast<size_t>(blank - text.begin());
}

// Returns the position of the '_' that continues a physical line on the
// next one (its last character before the line end), kNone when it ends.
size_t continuationMark(std::string_view piece) {
  if (!piece.empty() && piece.back() == '\n') piece.remove_suffix(1);
  if (piece.empty() || piece.back() != '_') return kNone;
  return piece.size() - 1;
}

[[noreturn]] void throwLineTooLong(const ModuleScan& scan) {
  throw FatalError("Line exceeded maximum length at line " +
                       decimal(scan.lineCount) + " of module \"" +
                       std::string(scan.fileName) + "\"\n",
                   Stream::kOut);
}

// Reads the next logical line into scan.line, joining physical lines that
// end in '_' (which becomes a blank). Returns false at the end of the module:
// the end of the text, or a line that holds nothing at all.
bool readLogicalLine(ModuleScan& scan) {
  std::string& line = scan.line;
  line.clear();
  scan.pieces.clear();
  for (;;) {
    const size_t room = kMaxSourceLine - line.size();
    const bool read = scan.source.readLine(scan.piece, room);
    notePiece(scan);
    if (!read || scan.piece.empty()) {
      if (read && line.empty()) noteNulEnd(scan);
      break;
    }
    const size_t mark = continuationMark(scan.piece);
    const size_t start = line.size();
    scan.pieces.push_back(
        {start, {scan.source.lineNumber(), scan.source.lineColumn()}});
    line += scan.piece;
    if (mark == kNone) break;
    line[start + mark] = ' ';
    if (line.size() >= kMaxSourceLine) throwLineTooLong(scan);
    ++scan.lineCount;
  }
  return !line.empty();
}

// A routine definition found on a line outside any routine.
struct Definition {
  std::string_view name;
  uint32_t kind = 0;  // ROUTINE_PRIVATE, ROUTINE_FUNCTION
};

// True when a line that begins with `first` may be a definition: its first
// word is Sub, Public, Private or Function.
bool mayStartDefinition(char first) {
  const unsigned char c = foldCase(static_cast<unsigned char>(first));
  return c == 's' || c == 'p' || c == 'f';
}

// True when a word of `length` characters may be the first word of a
// definition.
bool isDefinitionWordLength(size_t length) {
  return length == 3 || length == 6 || length == 7 || length == 8;
}

// Reads "[Public|Private] Sub|Function Name ..." from a prepared line; false
// when the line defines nothing.
bool parseDefinition(std::string_view line, Definition* definition) {
  definition->kind = 0;
  // Most lines of a body begin otherwise: they are passed over before any
  // word is compared.
  if (line.empty() || !mayStartDefinition(line[0])) return false;
  size_t blank = findBlank(line);
  std::string_view keyword = line.substr(0, blank);
  if (!isDefinitionWordLength(keyword.size())) return false;
  std::string_view rest =
      blank == kNone ? std::string_view() : line.substr(blank);
  const bool isPrivate = equalsNoCase(keyword, "private");
  if (isPrivate || equalsNoCase(keyword, "public")) {
    if (isPrivate) definition->kind |= ROUTINE_PRIVATE;
    rest = skipSpace(rest);
    blank = findBlank(rest);
    if (rest.empty() || blank == kNone) return false;
    keyword = rest.substr(0, blank);
    rest = rest.substr(blank);
  }
  if (equalsNoCase(keyword, "function")) {
    definition->kind |= ROUTINE_FUNCTION;
  } else if (!equalsNoCase(keyword, "sub")) {
    return false;
  }
  rest = skipSpace(rest);
  const int length = identifierLength(rest);
  if (length == 0) return false;
  definition->name = rest.substr(0, static_cast<size_t>(length));
  return true;
}

// Records what a line declares for the task stack check: at module level
// (`routine` null) Option Base 1, constants and the arrays of Dim, Private
// and Public lines; in a routine's body its Const and Dim lines.
void noteDeclarations(const ModuleScan& scan, std::string_view line,
                      const RoutineEntry* routine, bool inBody) {
  ProjectDeclarations* declarations = scan.context.declarations;
  if (declarations == nullptr || line.empty()) return;
  // Declarations begin with Dim, Private, Public, Const or Option: most
  // lines of a body are passed over on their first letter or word.
  const unsigned char letter = foldCase(static_cast<unsigned char>(line[0]));
  if (letter != 'd' && letter != 'p' && letter != 'c' && letter != 'o') return;
  const std::string_view first =
      line.substr(0, static_cast<size_t>(identifierLength(line)));
  const bool dim = equalsNoCase(first, "dim");
  const bool scoped =
      !inBody && (equalsNoCase(first, "private") || equalsNoCase(first, "public"));
  const uint32_t module = scan.context.position;
  if (!inBody && equalsNoCase(first, "option")) {
    if (isOptionBase1(line)) declarations->setOptionBase1(module);
    return;
  }
  if (scoped || equalsNoCase(first, "const")) {
    if (const std::optional<DeclaredConstant> constant = parseConstant(line)) {
      declarations->addConstant({module, routine, constant->isPublic,
                                 std::string(constant->name), constant->value});
      return;
    }
  }
  // Only a name with a bound list in parentheses declares an array.
  if (!(dim || scoped) || line.find('(') == std::string_view::npos) return;
  for (const DeclaredArray& array : parseArrayDeclarations(line)) {
    if (inBody && !equalsNoCase(array.keyword, "dim")) continue;
    ArrayDeclaration kept = ArrayDeclaration::from(array);
    kept.module = module;
    kept.routine = routine;
    kept.isPublic = !inBody && equalsNoCase(array.keyword, "public");
    kept.place = placeOf(scan, line.substr(array.nameColumn));
    declarations->addArray(std::move(kept));
  }
}

// A line outside any routine either starts one or is passed over.
void handleOutsideLine(ModuleScan& scan, std::string_view line) {
  scan.current = nullptr;
  scan.kind = 0;
  Definition definition;
  if (!parseDefinition(line, &definition)) {
    if (scan.definitionsPass) noteDeclarations(scan, line, nullptr, false);
    return;
  }
  RoutineEntry* entry = lookupOrAddRoutine(
      scan.table, scan.module, definition.name, scan.definitionsPass);
  scan.definition = placeOf(scan, definition.name);
  if (entry != nullptr && scan.definitionsPass) {
    entry->flags |= ROUTINE_DEFINED | definition.kind;
    if (entry->definitionLine == 0) {
      entry->definitionModule = scan.context.position;
      entry->definitionLine = scan.definition.line;
      entry->definitionColumn = scan.definition.column;
    }
  }
  scan.current = entry;
  scan.kind = definition.kind;
  scan.insideRoutine = true;
  if (scan.boundCalls) {
    scan.localArrays->clear();
    const size_t end = static_cast<size_t>(definition.name.data() -
                                           line.data()) +
                       definition.name.size();
    scan.localArrays->addParameters(line.substr(end));
  }
  // The full name of a routine without an entry is formed now, since the
  // line that holds the name is read over.
  if (entry == nullptr) {
    scan.definitionName.assign(scan.module).append(".").append(
        definition.name);
  }
}

// The full name of the routine whose body is read, for the warnings.
std::string definitionName(const ModuleScan& scan) {
  return scan.current != nullptr ? std::string(scan.current->fullName)
                                 : scan.definitionName;
}

// Warns about a definition line met inside the body of another routine,
// which is read as body text.
void noteNestedDefinition(const ModuleScan& scan, std::string_view line) {
  Definition definition;
  if (!parseDefinition(line, &definition)) return;
  warn(scan, placeOf(scan, definition.name), WarningKind::kNestedDefinition,
       "this definition is inside the body of " + definitionName(scan) +
           " and is not read as one; is an End line missing?");
}

// Warns about a routine whose body runs to the end of the module.
void noteMissingEnd(const ModuleScan& scan) {
  if (!scan.definitionsPass || !scan.insideRoutine) return;
  const char* end =
      (scan.kind & ROUTINE_FUNCTION) != 0 ? "End Function" : "End Sub";
  warn(scan, scan.definition, WarningKind::kMissingEnd,
       definitionName(scan) + " has no " + end +
           "; its body runs to the end of the file");
}

// Returns the routine that a qualified name Module.Routine (split at its
// last dot) means: the module's own routine, private or not, when Module is
// the last component of its name, else the first public one of the modules
// of that last name. Null for a name without a dot, or when there is none.
const RoutineEntry* qualifiedTarget(const ModuleScan& scan,
                                    std::string_view token) {
  const size_t dot = token.rfind('.');
  if (scan.context.qualifiers == nullptr || dot == std::string_view::npos) {
    return nullptr;
  }
  const std::string_view qualifier = token.substr(0, dot);
  const std::string_view routine = token.substr(dot + 1);
  const RoutineEntry* target = nullptr;
  if (equalsNoCase(lastPathComponent(scan.module), qualifier)) {
    target = lookupOrAddRoutine(scan.table, scan.module, routine, false);
  }
  if (target == nullptr) {
    target = scan.context.qualifiers->findPublic(qualifier, routine);
  }
  return target;
}

// Warns about a qualified name Module.Routine in a body, which is looked up
// as one name and so is not counted as a call of that module's routine.
void noteQualifiedName(const ModuleScan& scan, std::string_view token) {
  const RoutineEntry* target = qualifiedTarget(scan, token);
  if (target == nullptr) return;
  const std::string_view routine = token.substr(token.rfind('.') + 1);
  // What to write instead: the routine's own name, when it means the
  // routine here.
  const RoutineEntry* plain = findCalledRoutine(scan.table, scan.module, routine);
  warn(scan, placeOf(scan, token), WarningKind::kQualifiedCall,
       "qualified names are not resolved, so this call of " +
           std::string(target->fullName) + " counts 0 bytes; " +
           (plain == target
                ? "write " + std::string(routine) + " instead"
                : std::string(routine) + " alone would call " +
                      (plain != nullptr ? std::string(plain->fullName)
                                        : std::string("nothing")) +
                      " here"));
}

// The public routines of `run` other than `chosen`, as a warning lists them:
// the first three by full name, then how many more.
std::string otherPublicRoutines(const RoutineTable& table, const RoutineRun& run,
                                const RoutineEntry& chosen) {
  constexpr uint32_t kNamed = 3;
  std::string names;
  uint32_t named = 0;
  for (uint32_t i = run.begin; i < run.end && named < kNamed; ++i) {
    const RoutineEntry* entry = table.entries[i];
    if ((entry->flags & ROUTINE_PRIVATE) != 0 || entry == &chosen) continue;
    if (named > 0) names += ", ";
    names += entry->fullName;
    ++named;
  }
  const uint32_t more = run.publicCount - 1 - named;
  if (more > 0) names += " and " + decimal(more) + " more";
  return names;
}

// Warns about a call that means the public routine of another module while
// more than one other module has a public routine of that name: which one
// it means follows from the order of the module names, not from anything
// the source says. Calls of the module's own routine are never ambiguous.
// The first such call of a name in the project is warned about: every
// other call of it means the same routine, and a name that many routines
// call would bury the other warnings.
void noteAmbiguousCall(const ModuleScan& scan, const RoutineEntry& callee,
                       const RoutineRun* run, std::string_view token,
                       Place place) {
  if (scan.context.ambiguous == nullptr || run == nullptr ||
      run->publicCount < 2 || equalsNoCase(callee.moduleName(), scan.module) ||
      !scan.context.ambiguous->insert(run).second) {
    return;
  }
  warn(scan, place, WarningKind::kCallAmbiguous,
       "this call of " + std::string(token) + " means " +
           std::string(callee.fullName) +
           ", of the module that comes last among those with a public " +
           std::string(callee.routineName()) +
           " (shorter names first); also public: " +
           otherPublicRoutines(scan.table, *run, callee));
}

// Records that `caller` calls `callee` at `token`, chosen from `run` (null
// for a qualified name), when it is not recorded yet.
void recordCall(const ModuleScan& scan, RoutineEntry& caller,
                RoutineEntry& callee, const RoutineRun* run,
                std::string_view token) {
  const bool withCaller = (scan.options & OPT_CALLERS) != 0;
  if (addCall(scan.table, &caller, &callee, withCaller)) {
    const Place place = placeOf(scan, token);
    scan.context.sites.record(
        caller, {scan.context.position, place.line, place.column});
    noteAmbiguousCall(scan, callee, run, token, place);
  }
}

// True when `token`, which `next` follows, is the current Function's own
// name without '(': the assignment of its result, not a call.
bool isOwnResult(const ModuleScan& scan, std::string_view token, char next) {
  return (scan.kind & ROUTINE_FUNCTION) != 0 && next != '(' &&
         equalsNoCase(token, scan.current->routineName());
}

// Returns the routine of the project that `token`, used in this module,
// names plainly or qualified, with the run it was chosen from (null for a
// qualified name); null when it names none. Only bound mode resolves
// qualified names.
RoutineEntry* resolveBound(const ModuleScan& scan, std::string_view token,
                           const RoutineRun** run) {
  RoutineEntry* callee = findCalledRoutine(scan.table, scan.module, token, run);
  if (callee != nullptr) return callee;
  *run = nullptr;
  const RoutineEntry* target = qualifiedTarget(scan, token);
  if (target == nullptr) return nullptr;
  // The qualifiers hold the table's entries as const; the table gives the
  // same entry to change.
  return lookupOrAddRoutine(scan.table, target->moduleName(),
                            target->routineName(), false);
}

// Bound mode's scanCalls: every identifier that names a routine of the
// project, plainly or qualified, is a call of it, and any other name that
// stands where a routine is called is a call of an external routine.
void scanBoundCalls(ModuleScan& scan, std::string_view line) {
  RoutineEntry* caller = scan.current;
  scan.localArrays->addDimArrays(line);
  CallPositions positions(line, scan.context.moduleArrays,
                          &*scan.localArrays);
  LineIdentifier identifier;
  while (positions.next(&identifier)) {
    const std::string_view token = identifier.name;
    if (isOwnResult(scan, token, identifier.next)) continue;
    const RoutineRun* run = nullptr;
    if (RoutineEntry* callee = resolveBound(scan, token, &run)) {
      recordCall(scan, *caller, *callee, run, token);
    } else if (identifier.callPosition) {
      const Place place = placeOf(scan, token);
      scan.context.externals->record(
          *caller, token,
          CallSite{scan.context.position, place.line, place.column});
    }
  }
}

// Records a call for every identifier of a body line that names a known
// routine. A Function's own name is a call only when '(' follows it, since
// without one it is the assignment of the result.
void scanCalls(ModuleScan& scan, std::string_view line) {
  RoutineEntry* caller = scan.current;
  if (caller == nullptr) return;
  if (scan.boundCalls) {
    scanBoundCalls(scan, line);
    return;
  }
  const bool isFunction = (scan.kind & ROUTINE_FUNCTION) != 0;
  const std::string_view ownName = caller->routineName();
  for (;;) {
    line = skipSpace(line);
    int length = 0;
    const TokenKind kind = nextToken(line, &length);
    if (length == 0) return;
    const std::string_view token = line.substr(0, static_cast<size_t>(length));
    line.remove_prefix(static_cast<size_t>(length));
    if (kind != TOKEN_IDENTIFIER) continue;
    if (isFunction && equalsNoCase(token, ownName)) {
      const std::string_view after = skipSpace(line);
      if (after.empty() || after[0] != '(') continue;
    }
    const RoutineRun* run = nullptr;
    RoutineEntry* callee =
        findCalledRoutine(scan.table, scan.module, token, &run);
    if (callee == nullptr) {
      noteQualifiedName(scan, token);
      continue;
    }
    recordCall(scan, *caller, *callee, run, token);
  }
}

// Records a calltask line: its routine name in quotes (null when there is
// none), the task it starts (null when none), and `rest`, the text after
// the name, which may give the stack array as `, Name` or `, Module.Name`.
// When the name is not quoted, `rest` begins where the name would.
void recordTaskStart(const ModuleScan& scan, Place start,
                     const std::string_view* name, const RoutineEntry* task,
                     std::string_view rest) {
  if (scan.context.taskStarts == nullptr) return;
  TaskStart taskStart;
  taskStart.module = scan.context.position;
  taskStart.place = start;
  taskStart.routine = scan.current;
  if (name != nullptr) {
    // A name continued over lines holds their line ends; reports show it
    // on one line.
    taskStart.name = std::string(*name);
    std::replace(taskStart.name->begin(), taskStart.name->end(), '\n', ' ');
  }
  taskStart.task = task;
  if (name == nullptr) {
    // An unquoted routine name stands where the quoted one would.
    const size_t length = static_cast<size_t>(identifierLength(rest));
    taskStart.written = std::string(rest.substr(0, length));
    rest.remove_prefix(length);
  } else {
    taskStart.written = *taskStart.name;
  }
  rest = skipSpace(rest);
  if (!rest.empty() && rest[0] == ',') {
    const std::string_view argument = skipSpace(rest.substr(1));
    const size_t argumentLength =
        static_cast<size_t>(identifierLength(argument));
    const std::string_view after = skipSpace(argument.substr(argumentLength));
    // Anything but a comment after the name makes it an expression.
    if (argumentLength > 0 && (after.empty() || after[0] == '\'')) {
      taskStart.stackArgument = std::string(argument.substr(0, argumentLength));
    }
  }
  scan.context.taskStarts->push_back(std::move(taskStart));
}

// Bound mode: returns the routine that a calltask naming `name`, which no
// routine of this module has, starts: the one a call of that name from
// this module reaches; null when there is none.
RoutineEntry* boundTask(const ModuleScan& scan, std::string_view name) {
  if (!scan.boundCalls || name.empty()) return nullptr;
  const RoutineRun* run = nullptr;
  return resolveBound(scan, name, &run);
}

// Records a calltask line whose routine name is not quoted; bound mode
// starts the routine it names, `rest` beginning with the name.
void markUnquotedTask(ModuleScan& scan, Place start, std::string_view rest) {
  const std::string_view written =
      rest.substr(0, static_cast<size_t>(identifierLength(rest)));
  RoutineEntry* task = boundTask(scan, written);
  recordTaskStart(scan, start, nullptr, task, rest);
  if (task != nullptr) {
    task->flags |= ROUTINE_TASK;
    return;
  }
  warn(scan, start, WarningKind::kTaskElsewhere,
       "calltask without a quoted routine name; no task is estimated");
}

// Marks the routine named in quotes after calltask as a task, when this
// module defines it (or, in bound mode, when a call of that name from here
// reaches it). `line` begins with the calltask word, which takes `length`
// characters.
void markTask(ModuleScan& scan, std::string_view line, size_t length) {
  const Place start = placeOf(scan, line);
  std::string_view rest = skipSpace(line.substr(length));
  const size_t close =
      rest.empty() || rest[0] != '"' ? kNone : rest.find('"', 1);
  if (close == kNone) {
    markUnquotedTask(scan, start, rest);
    return;
  }
  const std::string_view name = rest.substr(1, close - 1);
  RoutineEntry* task = lookupOrAddRoutine(scan.table, scan.module, name, false);
  if (task == nullptr) task = boundTask(scan, name);
  recordTaskStart(scan, start, &name, task, rest.substr(close + 1));
  if (task != nullptr) {
    task->flags |= ROUTINE_TASK;
  } else {
    // A name continued over lines holds their line ends; the warning is
    // one line.
    std::string shown(name);
    std::replace(shown.begin(), shown.end(), '\n', ' ');
    warn(scan, start, WarningKind::kTaskElsewhere,
         "calltask starts " + shown +
             ", which is not a routine of this module; its stack is not "
             "estimated");
  }
}

// An End line closes the routine when its second word fits the definition
// (Sub or Function); otherwise its text up to the end of that word is an
// ordinary body line.
void handleEndLine(ModuleScan& scan, std::string_view line) {
  const std::string_view rest = skipSpace(line.substr(3));
  const size_t blank = findBlank(rest);
  const std::string_view second = rest.substr(0, blank);
  if (blank != kNone) {
    line =
        line.substr(0, static_cast<size_t>(rest.data() - line.data()) + blank);
  }
  const char* closing = (scan.kind & ROUTINE_FUNCTION) ? "function" : "sub";
  if (equalsNoCase(second, closing)) {
    scan.insideRoutine = false;
    return;
  }
  if (!scan.definitionsPass) scanCalls(scan, line);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// A line inside a routine body: its End line, a task start, or statements
// whose identifiers may be calls.
void handleBodyLine(ModuleScan& scan, std::string_view line) {
  const size_t length = static_cast<size_t>(identifierLength(line));
  if (length == 3 && equalsNoCase(line.substr(0, 3), "end")) {
    handleEndLine(scan, line);
    return;
  }
  if (scan.definitionsPass) {
    noteNestedDefinition(scan, line);
    if (scan.current != nullptr) noteDeclarations(scan, line, scan.current, true);
    return;
  }
  if (startsWithNoCase(line, "calltask")) {
    markTask(scan, line, length);
    return;
  }
  scanCalls(scan, line);
}

}  // namespace

std::string_view moduleNameOf(std::string_view fileName) {
  return fileName.substr(0, fileName.rfind('.'));
}

void scanModule(RoutineTable& table, LineReader& source,
                std::string_view fileName, int options,
                const ModuleContext& context) {
  ModuleScan scan(table, source, fileName, options, context);
  scan.line.reserve(kMaxSourceLine);
  while (readLogicalLine(scan)) {
    const std::string_view line = trimRight(skipSpace(scan.line));
    ++scan.lineCount;
    if (line.empty() || line[0] == '\'') continue;
    if (scan.insideRoutine) {
      handleBodyLine(scan, line);
    } else {
      handleOutsideLine(scan, line);
    }
  }
  noteMissingEnd(scan);
  if (scan.definitionsPass) noteEarlyEnd(warningsOf(scan), source);
}

bool processModule(RoutineTable& table, FileSystem& files, Progress& progress,
                   std::string_view fileName, int options,
                   const ModuleContext& context) {
  if (fileName.empty()) {
    progress.message({MessageKind::kEmptyModuleName,
                      "processModule() called with null or empty filename.\n"});
    return false;
  }
  const std::string path(fileName);
  std::unique_ptr<LineReader> source = files.open(path);
  if (!source) {
    progress.moduleMissing(path);
    return false;
  }
  scanModule(table, *source, fileName, options, context);
  return true;
}

}  // namespace memtally
