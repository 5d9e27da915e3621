#include "analysis/annotations.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "base/chars.h"
#include "base/fatal.h"
#include "base/format.h"
#include "base/options.h"
#include "analysis/requirement.h"
#include "scan/module_qualifiers.h"

namespace memtally {
namespace {

// The routines of the project that an annotation's name means: for
// `Module.Routine` the routines of that name in the modules whose last
// path component is Module, for a bare name those of every module.
std::vector<RoutineEntry*> routinesNamed(const RoutineTable& table,
                                         std::string_view name) {
  std::vector<RoutineEntry*> found;
  const size_t dot = name.rfind('.');
  const bool qualified = dot != std::string_view::npos;
  const std::string_view module = qualified ? name.substr(0, dot) : "";
  const std::string_view routine = qualified ? name.substr(dot + 1) : name;
  const RoutineRun* run = findRun(table, routine);
  if (run == nullptr) return found;
  for (uint32_t i = run->begin; i < run->end; ++i) {
    RoutineEntry* entry = table.entries[i];
    if ((entry->flags & ROUTINE_DEFINED) == 0) continue;
    if (qualified &&
        !equalsNoCase(lastPathComponent(entry->moduleName()), module)) {
      continue;
    }
    found.push_back(entry);
  }
  return found;
}

// Warns about annotation `annotation` of the file that it changes nothing.
void warnStale(Analysis& analysis, const Annotation& annotation,
               std::string text) {
  analysis.warnings.add(WarningSource::kAnnotations, 0,
                        analysis.bound.annotationFile,
                        {annotation.line, annotation.name.column},
                        WarningKind::kAnnotationStale, std::move(text));
}

// What the names of an annotation file mean in one project.
class Resolver {
 public:
  Resolver(Analysis& analysis, int options)
      : analysis_(analysis), bound_(analysis.bound), options_(options) {}

  // Applies the calls annotations first, so that a stack annotation can
  // name an external routine that only an annotation calls.
  void apply() {
    for (uint32_t i = 0; i < bound_.annotations.size(); ++i) {
      if (bound_.annotations[i].kind == AnnotationKind::kCalls) applyCalls(i);
    }
    for (uint32_t i = 0; i < bound_.annotations.size(); ++i) {
      const Annotation& annotation = bound_.annotations[i];
      if (annotation.kind == AnnotationKind::kStack) applyStack(i);
      if (annotation.kind == AnnotationKind::kRecursion) applyDepth(i);
    }
  }

  std::vector<AnnotationError>& errors() { return errors_; }

 private:
  void fail(uint32_t line, const AnnotatedName& name, std::string text) {
    errors_.push_back({line, name.column, std::move(text)});
  }

  // The routine of the project `name` means; null, with an error when
  // several modules define it and, when `required`, when none does.
  RoutineEntry* routine(uint32_t line, const AnnotatedName& name,
                        bool required, bool* ambiguous = nullptr) {
    const std::vector<RoutineEntry*> found =
        routinesNamed(*analysis_.table, name.text);
    if (found.size() == 1) return found.front();
    if (found.size() > 1) {
      fail(line, name,
           name.text + " is defined by several modules (" +
               firstNames(found) + "); name one as Module.Routine");
      if (ambiguous != nullptr) *ambiguous = true;
    } else if (required) {
      fail(line, name, name.text + " is no routine of the project");
    }
    return nullptr;
  }

  // Records annotation `index` for `key` in `byKey`; an error when one is
  // recorded already.
  template <typename Key>
  bool claim(std::unordered_map<Key, uint32_t>& byKey, Key key,
             uint32_t index, std::string_view what) {
    const auto [found, added] = byKey.emplace(key, index);
    if (added) return true;
    const Annotation& annotation = bound_.annotations[index];
    fail(annotation.line, annotation.name,
         "a second " + std::string(annotationKindName(annotation.kind)) +
             " annotation for " + std::string(what) + "; the first is on line " +
             decimal(bound_.annotations[found->second].line));
    return false;
  }

  void applyCalls(uint32_t index) {
    Annotation& annotation = bound_.annotations[index];
    RoutineEntry* caller = routine(annotation.line, annotation.name, true);
    if (caller == nullptr) return;
    if (!claim(callsOf_, static_cast<const RoutineEntry*>(caller), index,
               caller->fullName)) {
      return;
    }
    const bool withCallers = (options_ & OPT_CALLERS) != 0;
    for (const AnnotatedName& name : annotation.callees) {
      bool ambiguous = false;
      RoutineEntry* callee = routine(annotation.line, name, false, &ambiguous);
      if (ambiguous) continue;
      if (callee != nullptr) {
        if (addCall(*analysis_.table, caller, callee, withCallers)) {
          annotation.used = true;
        }
        continue;
      }
      const size_t before = bound_.externals.calls().size();
      bound_.externals.record(*caller, name.text, std::nullopt);
      if (bound_.externals.calls().size() != before) annotation.used = true;
    }
  }

  void applyStack(uint32_t index) {
    const Annotation& annotation = bound_.annotations[index];
    bool ambiguous = false;
    RoutineEntry* entry =
        routine(annotation.line, annotation.name, false, &ambiguous);
    if (ambiguous) return;
    if (entry != nullptr) {
      if (claim(bound_.stackOf, static_cast<const RoutineEntry*>(entry), index,
                entry->fullName)) {
        entry->flags |= ROUTINE_STACK_ANNOTATED;
      }
      return;
    }
    // A name nothing in the project calls stays unknown: the annotation is
    // stale.
    const std::optional<uint32_t> external =
        bound_.externals.find(annotation.name.text);
    if (!external) {
      warnStale(analysis_, annotation,
                "nothing in the project calls " + annotation.name.text +
                    ", so its stack size changes nothing");
      return;
    }
    if (claim(bound_.externalStackOf, *external, index,
              bound_.externals.routines()[*external].name)) {
      bound_.externalBytes.resize(bound_.externals.routines().size());
      bound_.externalBytes[*external] = annotation.value;
    }
  }

  void applyDepth(uint32_t index) {
    const Annotation& annotation = bound_.annotations[index];
    RoutineEntry* entry = routine(annotation.line, annotation.name, true);
    if (entry == nullptr) return;
    claim(bound_.depthOf, static_cast<const RoutineEntry*>(entry), index,
          entry->fullName);
  }

  Analysis& analysis_;
  BoundFacts& bound_;
  int options_;
  std::unordered_map<const RoutineEntry*, uint32_t> callsOf_;
  std::vector<AnnotationError> errors_;
};

// The routines that some routine calls.
std::unordered_set<const RoutineEntry*> calledRoutines(
    const RoutineTable& table) {
  std::unordered_set<const RoutineEntry*> called;
  for (const RoutineEntry* entry : table.entries) {
    if (entry->calls == nullptr) continue;
    called.insert(entry->calls->items.begin(), entry->calls->items.end());
  }
  return called;
}

}  // namespace

void throwAnnotationErrors(std::string_view file,
                           std::vector<AnnotationError> errors) {
  std::stable_sort(errors.begin(), errors.end(),
                   [](const AnnotationError& a, const AnnotationError& b) {
                     return a.line != b.line ? a.line < b.line
                                             : a.column < b.column;
                   });
  std::string message;
  for (const AnnotationError& error : errors) {
    message += formatAnnotationError(file, error);
  }
  throw FatalError(message);
}

void applyAnnotationFile(FileSystem& files,
                         const std::optional<std::string>& named,
                         const std::string& project, int options,
                         Analysis& analysis) {
  const std::string file = named.value_or(project + ".mta");
  analysis.bound.suggestedFile = file;
  std::unique_ptr<LineReader> reader = files.open(file);
  if (!reader) {
    if (!named) return;
    throw FatalError("Can't open the annotation file \"" + file + "\".\n");
  }
  BoundFacts& bound = analysis.bound;
  bound.annotationFile = file;
  AnnotationFile read = readAnnotations(*reader);
  bound.annotations = std::move(read.annotations);
  Resolver resolver(analysis, options);
  resolver.apply();
  std::vector<AnnotationError> errors = std::move(read.errors);
  errors.insert(errors.end(), resolver.errors().begin(),
                resolver.errors().end());
  if (!errors.empty()) throwAnnotationErrors(file, std::move(errors));
}

void addStaleAnnotationWarnings(Analysis& analysis) {
  const BoundFacts& bound = analysis.bound;
  if (bound.annotations.empty()) return;
  const std::unordered_set<const RoutineEntry*> called =
      calledRoutines(*analysis.table);
  for (const auto& [entry, index] : bound.depthOf) {
    if (isComputed(*entry) && entry->recursion == 0) {
      warnStale(analysis, bound.annotations[index],
                std::string(entry->fullName) +
                    " is in no recursion, so its depth changes nothing");
    }
  }
  for (const auto& [entry, index] : bound.stackOf) {
    if (called.count(entry) == 0 && (entry->flags & ROUTINE_TASK) == 0 &&
        entry != analysis.top) {
      warnStale(analysis, bound.annotations[index],
                "nothing calls " + std::string(entry->fullName) +
                    ", so its stack size changes nothing");
    }
  }
}

}  // namespace memtally
