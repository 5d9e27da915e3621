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
  }
  return "unknown";
}

std::vector<Warning> WarningLog::ordered() const {
  std::vector<const Warning*> sorted;
  sorted.reserve(warnings_.size());
  for (const Warning& warning : warnings_) sorted.push_back(&warning);
  // The computation's warnings keep the order in which they were added.
  const auto key = [](const Warning* w) {
    const bool byLine = w->source != WarningSource::kComputation;
    return std::make_tuple(w->source, w->module, byLine ? w->line : 0);
  };
  std::stable_sort(
      sorted.begin(), sorted.end(),
      [&key](const Warning* a, const Warning* b) { return key(a) < key(b); });
  std::vector<Warning> result;
  std::set<std::tuple<std::string_view, uint32_t, std::string_view>> seen;
  for (const Warning* warning : sorted) {
    if (seen.emplace(warning->file, warning->line, warning->message).second) {
      result.push_back(*warning);
    }
  }
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
    warnings.add(reader.lineNumber(), WarningKind::kTextEndsEarly,
                 "a NUL byte at column " + decimal(nul) +
                     " ends this line; the rest of it is not read");
  }
}

void noteEarlyEnd(const FileWarnings& warnings, const LineReader& reader) {
  if (reader.earlyEndLine() != 0) {
    warnings.add(reader.earlyEndLine(), WarningKind::kTextEndsEarly,
                 "byte 0x1A ends the text here; the rest of the file is not "
                 "read");
  }
}

std::string formatWarning(const Warning& warning) {
  std::string text = warning.file;
  if (warning.line != 0) {
    text.push_back(':');
    appendUnsigned(text, warning.line);
  }
  text.append(": warning: ");
  text.append(warning.message);
  text.push_back('\n');
  return text;
}

}  // namespace memtally
