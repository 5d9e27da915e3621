#include "base/warning_log.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "base/format.h"

namespace memtally {

std::string_view warningKindName(WarningKind kind) {
  switch (kind) {
    case WarningKind::kRecursion:
      return "recursion";
    case WarningKind::kQualifiedCall:
      return "qualified-call";
    case WarningKind::kTaskElsewhere:
      return "task-elsewhere";
    case WarningKind::kMissingEnd:
      return "missing-end";
    case WarningKind::kNestedDefinition:
      return "nested-definition";
    case WarningKind::kUnknownMapRoutine:
      return "unknown-map-routine";
    case WarningKind::kMainFromTask:
      return "main-from-task";
    case WarningKind::kLineCut:
      return "line-cut";
    case WarningKind::kWrapAround:
      return "wrap-around";
    case WarningKind::kTextEndsEarly:
      return "text-ends-early";
    case WarningKind::kMapIncomplete:
      return "map-incomplete";
    case WarningKind::kMapSplit:
      return "map-split";
    case WarningKind::kNumberTooLarge:
      return "number-too-large";
    case WarningKind::kModuleName:
      return "module-name";
    case WarningKind::kTopAmbiguous:
      return "top-ambiguous";
    case WarningKind::kCallAmbiguous:
      return "call-ambiguous";
    case WarningKind::kTaskStackTooSmall:
      return "task-stack-too-small";
    case WarningKind::kTaskStackUnknown:
      return "task-stack-unknown";
    case WarningKind::kTaskStackShared:
      return "task-stack-shared";
    case WarningKind::kTaskStackLocal:
      return "task-stack-local";
    case WarningKind::kExternalCall:
      return "external-call";
    case WarningKind::kRecursionUnbounded:
      return "recursion-unbounded";
    case WarningKind::kAnnotationStale:
      return "annotation-stale";
    case WarningKind::kAnnotationBelow:
      return "annotation-below";
  }
  return "unknown";
}

namespace {

// Where a warning goes in the printed order; the computation's warnings keep
// the order in which they were added.
std::tuple<WarningSource, size_t, uint32_t> placeOf(const Warning& warning) {
  const bool byLine = warning.source != WarningSource::kComputation;
  return {warning.source, warning.module, byLine ? warning.line : 0};
}

}  // namespace

size_t WarningLog::IdentityHash::operator()(const Identity& identity) const {
  const std::hash<std::string_view> hash;
  return hash(std::get<0>(identity)) * 31 + std::get<1>(identity) * 7 +
         hash(std::get<2>(identity));
}

void WarningLog::add(Warning warning) {
  // A warning is one line, also when it quotes a continued source line.
  std::replace(warning.message.begin(), warning.message.end(), '\n', ' ');
  const auto found = recorded_.find(
      Identity(warning.file, warning.line, warning.message));
  if (found == recorded_.end()) {
    const Warning& kept = warnings_.emplace_back(std::move(warning));
    recorded_.emplace(Identity(kept.file, kept.line, kept.message),
                      warnings_.size() - 1);
    return;
  }
  // The same words at the same place from another source: the one printed
  // first stands, where the first was recorded.
  Warning& kept = warnings_[found->second];
  if (placeOf(warning) < placeOf(kept)) {
    kept.source = warning.source;
    kept.module = warning.module;
    kept.kind = warning.kind;
  }
}

std::vector<Warning> WarningLog::ordered() const {
  std::vector<const Warning*> sorted;
  sorted.reserve(warnings_.size());
  for (const Warning& warning : warnings_) sorted.push_back(&warning);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Warning* a, const Warning* b) {
                     return placeOf(*a) < placeOf(*b);
                   });
  std::vector<Warning> result;
  result.reserve(sorted.size());
  for (const Warning* warning : sorted) result.push_back(*warning);
  return result;
}

void noteUnusualLine(const FileWarnings& warnings, const LineReader& reader,
                     size_t capacity, std::string_view piece,
                     bool nulFirstCounts) {
  if (reader.lineNumber() == 1 && reader.looksLikeUtf16()) {
    warnings.add(1, WarningKind::kTextEndsEarly,
                 "the file looks like UTF-16 text, which is not read; save it "
                 "as ANSI or UTF-8");
  }
  if (reader.lineWasCut()) {
    warnings.add(reader.lineNumber(), WarningKind::kLineCut,
                 "line longer than " + decimal(capacity) +
                     " characters; it is read as more than one " +
                     std::string(piece));
  }
  const uint32_t nul = reader.nulColumn();
  // UTF-16 text is full of NULs; the warning above covers them.
  if (nul != 0 && !reader.looksLikeUtf16() &&
      (nul != reader.lineColumn() || nulFirstCounts)) {
    warnings.add(Place{reader.lineNumber(), nul}, WarningKind::kTextEndsEarly,
                 "a NUL byte ends this line here; the rest of it is not read");
  }
}

void noteEarlyEnd(const FileWarnings& warnings, const LineReader& reader) {
  if (reader.earlyEndLine() != 0) {
    warnings.add(reader.earlyEndLine(), WarningKind::kTextEndsEarly,
                 "byte 0x1A ends the text here; the rest of the file is not "
                 "read");
  }
}

std::string formatDiagnostic(std::string_view file, uint32_t line,
                             uint32_t column, std::string_view severity,
                             std::string_view message) {
  std::string text(file);
  if (line != 0) {
    text.push_back(':');
    appendUnsigned(text, line);
    text.push_back(':');
    appendUnsigned(text, column);
  }
  text.append(": ").append(severity).append(": ").append(message);
  text.push_back('\n');
  return text;
}

std::string formatWarning(const Warning& warning) {
  return formatDiagnostic(warning.file, warning.line, warning.column,
                          "warning", warning.message);
}

}  // namespace memtally
