#include "report/json_report.h"

#include <algorithm>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/format.h"
#include "base/iso_time.h"
#include "base/version.h"
#include "report/budget.h"
#include "analysis/call_chain.h"
#include "report/json_bound.h"
#include "report/json_writer.h"
#include "report/listings.h"
#include "analysis/requirement.h"
#include "scan/scanner.h"

namespace memtally {
namespace {

// A member whose value is a list of routines' full names, on one line.
template <typename Routines>
void names(JsonWriter& json, std::string_view name, const Routines& routines) {
  json.key(name);
  json.beginInlineArray();
  for (const RoutineEntry* routine : routines) json.string(routine->fullName);
  json.endArray();
}

// The items of a list that may be absent.
std::span<RoutineEntry* const> itemsOf(const RoutineRefList* list) {
  if (list == nullptr) return {};
  return list->items;
}

void writeModules(JsonWriter& json, const Analysis& analysis) {
  json.key("modules");
  json.beginArray();
  for (const ProjectModule& module : analysis.modules) {
    json.beginObject();
    member(json, "file", module.file);
    member(json, "name", moduleNameOf(module.file));
    flag(json, "opened", module.opened);
    json.endObject();
  }
  json.endArray();
}

void writeEstimate(JsonWriter& json, const Analysis& analysis) {
  json.key("estimate");
  if (analysis.top == nullptr) {
    json.null();
    return;
  }
  const RoutineEntry& top = *analysis.top;
  json.beginObject();
  member(json, "routine", top.fullName);
  flag(json, "application", analysis.applicationMode);
  member(json, "overheadBytes", top.invocationOverhead);
  member(json, "paramBytes", top.paramBytes);
  member(json, "localBytes", top.localBytes);
  member(json, "calleeBytes", top.calleeBytes);
  member(json, "staticBytes",
         analysis.applicationMode ? analysis.staticRam : 0);
  member(json, "totalBytes", *printedTotal(analysis));
  if (analysis.boundMode) member(json, "bound", boundStatusName(top.bound));
  json.endObject();
}

// Where a routine is defined; both null for a routine only the map names.
void writeDefinition(JsonWriter& json, const Analysis& analysis,
                     const RoutineEntry& entry) {
  const bool known = isDefinedInModule(analysis, entry);
  json.key("file");
  if (known) {
    json.string(analysis.modules[entry.definitionModule].file);
  } else {
    json.null();
  }
  json.key("line");
  if (known) {
    json.number(entry.definitionLine);
  } else {
    json.null();
  }
}

void writeRoutine(JsonWriter& json, const Analysis& analysis,
                  const RoutineEntry& entry) {
  json.beginObject();
  member(json, "name", entry.fullName);
  member(json, "module", entry.moduleName());
  member(json, "routine", entry.routineName());
  member(json, "kind", (entry.flags & ROUTINE_FUNCTION) ? "function" : "sub");
  flag(json, "private", (entry.flags & ROUTINE_PRIVATE) != 0);
  flag(json, "defined", (entry.flags & ROUTINE_DEFINED) != 0);
  flag(json, "task", (entry.flags & ROUTINE_TASK) != 0);
  writeDefinition(json, analysis, entry);
  member(json, "paramBytes", entry.paramBytes);
  member(json, "localBytes", entry.localBytes);
  flag(json, "reached", isComputed(entry));
  member(json, "overheadBytes", entry.invocationOverhead);
  member(json, "calleeBytes", entry.calleeBytes);
  member(json, "totalBytes", entry.totalBytes);
  const bool bound = analysis.boundMode && isComputed(entry);
  if (bound) member(json, "bound", boundStatusName(entry.bound));
  json.key("worstCallee");
  if (entry.worstCallee != nullptr) {
    json.string(entry.worstCallee->fullName);
  } else {
    json.null();
  }
  if (bound) writeBoundRoutine(json, analysis, entry);
  const std::span<RoutineEntry* const> calls = itemsOf(entry.calls);
  std::vector<const RoutineEntry*> cut;
  for (const RoutineEntry* callee : calls) {
    if (analysis.isCut(entry, *callee)) cut.push_back(callee);
  }
  names(json, "calls", calls);
  names(json, "cutCalls", cut);
  // Callers in the order of the callers listing.
  names(json, "callers", callersByName(entry));
  json.endObject();
}

void writeRoutines(JsonWriter& json, const Analysis& analysis) {
  json.key("routines");
  json.beginArray();
  for (const RoutineEntry* entry : analysis.table->entries) {
    writeRoutine(json, analysis, *entry);
  }
  json.endArray();
}

void writeTasks(JsonWriter& json, const Analysis& analysis) {
  json.key("tasks");
  json.beginArray();
  for (const RoutineEntry* task : analysis.tasks) {
    json.beginObject();
    member(json, "routine", task->fullName);
    member(json, "stackBytes", taskStackBytes(*task));
    if (analysis.boundMode) member(json, "bound", boundStatusName(task->bound));
    json.endObject();
  }
  json.endArray();
}

// A member whose value is a text, or null.
void optionalText(JsonWriter& json, std::string_view name,
                  const std::optional<std::string>& text) {
  json.key(name);
  if (text) {
    json.string(*text);
  } else {
    json.null();
  }
}

void writeTaskStart(JsonWriter& json, const Analysis& analysis,
                    const TaskStack& stack) {
  const TaskStart& start = *stack.start;
  json.beginObject();
  member(json, "file", analysis.modules[start.module].file);
  member(json, "line", start.place.line);
  member(json, "module", moduleNameOf(analysis.modules[start.module].file));
  optionalText(json, "name", start.name);
  json.key("task");
  if (start.task != nullptr) {
    json.string(start.task->fullName);
  } else {
    json.null();
  }
  optionalText(json, "stackArray", start.stackArgument);
  json.key("declaredAt");
  if (stack.array != nullptr) {
    json.beginInlineObject();
    member(json, "file", analysis.modules[stack.array->module].file);
    member(json, "line", stack.array->place.line);
    json.endObject();
  } else {
    json.null();
  }
  optionalNumber(json, "arrayBytes", stack.arrayBytes);
  optionalNumber(json, "neededBytes", stack.neededBytes);
  if (analysis.boundMode) {
    // The need's status is its task's; none where the need is unknown.
    json.key("bound");
    if (stack.neededBytes && start.task != nullptr) {
      json.string(boundStatusName(start.task->bound));
    } else {
      json.null();
    }
  }
  json.key("spareBytes");
  if (stack.fit != StackFit::kUnknown) {
    json.integer(stack.spareBytes());
  } else {
    json.null();
  }
  json.key("fits");
  if (stack.fit != StackFit::kUnknown) {
    json.boolean(stack.fit == StackFit::kFits);
  } else {
    json.null();
  }
  json.key("problem");
  if (stack.fit == StackFit::kUnknown) {
    json.string(stack.problem);
  } else {
    json.null();
  }
  json.endObject();
}

// Every calltask line and the check of its stack array, in project order.
void writeTaskStarts(JsonWriter& json, const Analysis& analysis) {
  json.key("taskStarts");
  json.beginArray();
  for (const TaskStack& stack : analysis.taskStacks) {
    writeTaskStart(json, analysis, stack);
  }
  json.endArray();
}

// The routines the unused listing prints, in its order: by full name.
void writeUnused(JsonWriter& json, const RoutineTable& table) {
  json.key("unused");
  json.beginArray();
  for (const RoutineEntry* entry : fullNameOrder(table)) {
    if (entry->totalBytes == 0) json.string(entry->fullName);
  }
  json.endArray();
}

// ", \"NAME\": NUMBER" in the text of a step.
void appendNumber(std::string& out, std::string_view name, uint32_t value) {
  out.append(", \"").append(name).append("\": ");
  appendUnsigned(out, value);
}

// The members of a frame: "overheadBytes" to "frameBytes".
void appendFrame(std::string& out, const RoutineEntry& step,
                 const StepFigures& figures) {
  appendNumber(out, "overheadBytes", figures.overhead);
  appendNumber(out, "paramBytes", step.paramBytes);
  appendNumber(out, "localBytes", step.localBytes);
  appendNumber(out, "frameBytes", figures.bytes);
}

// The members of a bound-mode step after its routine, "bytes" last.
void appendBoundStep(std::string& out, const RoutineEntry& step,
                     const StepFigures& figures) {
  switch (figures.kind) {
    case StepKind::kFrame:
      appendFrame(out, step, figures);
      break;
    case StepKind::kRecursion:
      appendNumber(out, "recursion", step.recursion - 1);
      out.append(", \"depth\": ");
      if (figures.recursion->depth) {
        appendUnsigned(out, *figures.recursion->depth);
      } else {
        out.append("null");
      }
      appendNumber(out, "largestFrameBytes", figures.recursion->largestFrame);
      appendNumber(out, "extraBytes", figures.extra);
      break;
    case StepKind::kStackAnnotation:
      appendNumber(out, "annotatedBytes", figures.bytes - figures.extra);
      appendNumber(out, "extraBytes", figures.extra);
      break;
  }
  appendNumber(out, "bytes", figures.bytes);
}

// The name of a step's kind in the document.
std::string_view stepKindName(StepKind kind) {
  switch (kind) {
    case StepKind::kFrame:
      return "frame";
    case StepKind::kRecursion:
      return "recursion";
    case StepKind::kStackAnnotation:
      return "stackAnnotation";
  }
  return "frame";
}

// One step of a chain as the JSON text of an object on one line. Chains
// can hold a million steps, so each is written at once. Bound-mode steps
// say their kind and the bytes they add.
void stepText(std::string& out, const Analysis& analysis,
              const RoutineEntry& step, bool first) {
  const StepFigures figures = stepFigures(analysis, step, first);
  out.clear();
  out.push_back('{');
  if (analysis.boundMode) {
    out.append("\"kind\": \"").append(stepKindName(figures.kind));
    out.append("\", ");
  }
  out.append("\"routine\": ");
  appendJsonString(out, step.fullName);
  if (analysis.boundMode) {
    appendBoundStep(out, step, figures);
  } else {
    appendFrame(out, step, figures);
  }
  out.push_back('}');
}

// The step of the external routine that ends a bound-mode chain.
void externalStepText(std::string& out, const Analysis& analysis,
                      uint32_t external) {
  out.assign("{\"kind\": \"external\", \"external\": ");
  appendJsonString(out, analysis.bound.externals.routines()[external].name);
  appendNumber(out, "bytes", externalStepBytes(analysis, external));
  out.push_back('}');
}

void writeChain(JsonWriter& json, const Analysis& analysis,
                const ListedChain& chain) {
  json.beginObject();
  member(json, "from", chain.from->fullName);
  member(json, "totalBytes", chain.from->totalBytes);
  if (analysis.boundMode) {
    member(json, "bound", boundStatusName(chain.from->bound));
  }
  json.key("steps");
  json.beginArray();
  std::string text;
  for (size_t i = 0; i < chain.steps.size(); ++i) {
    stepText(text, analysis, *chain.steps[i], i == 0);
    json.rawValue(text);
  }
  if (chain.external) {
    externalStepText(text, analysis, *chain.external);
    json.rawValue(text);
  }
  json.endArray();
  if (chain.continuesAs != nullptr) {
    member(json, "continuesAs", chain.continuesAs->fullName);
  }
  json.endObject();
}

void writeWarnings(JsonWriter& json, const Analysis& analysis) {
  json.key("warnings");
  json.beginArray();
  for (const Warning& warning : analysis.warnings.ordered()) {
    json.beginObject();
    member(json, "file", warning.file);
    json.key("line");
    if (warning.line != 0) {
      json.number(warning.line);
    } else {
      json.null();
    }
    json.key("column");
    if (warning.line != 0) {
      json.number(warning.column);
    } else {
      json.null();
    }
    member(json, "kind", warningKindName(warning.kind));
    member(json, "message", warning.message);
    json.endObject();
  }
  json.endArray();
}

void writeBudget(JsonWriter& json, const Analysis& analysis,
                 std::optional<uint32_t> budget) {
  if (!budget) return;
  json.key("budget");
  json.beginObject();
  const BudgetVerdict verdict = judgeBudget(&analysis, *budget);
  member(json, "bytes", *budget);
  flag(json, "exceeded", verdict.status != 0);
  if (!verdict.cannotCheck.empty()) {
    member(json, "cannotCheck", verdict.cannotCheck);
  }
  json.endObject();
}

}  // namespace

// Every message the run writes on standard error, in order, without its
// final newline.
void writeMessages(JsonWriter& json, const Analysis& analysis,
                   const std::vector<Message>& closing) {
  json.key("messages");
  json.beginArray();
  for (const std::vector<Message>* messages : {&analysis.messages, &closing}) {
    for (const Message& message : *messages) {
      std::string_view text = message.text;
      if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
      json.beginInlineObject();
      member(json, "kind", messageKindName(message.kind));
      member(json, "text", text);
      json.endObject();
    }
  }
  json.endArray();
}

void writeJsonReport(Console& console, const Analysis& analysis,
                     std::optional<uint32_t> budget,
                     const std::vector<Message>& closing) {
  JsonWriter json;
  json.beginObject();
  member(json, "$schema", kReportSchemaId);
  member(json, "memtally", kVersion);
  member(json, "mode", analysis.boundMode ? "bound" : "classic");
  if (analysis.boundMode) {
    json.key("annotationFile");
    if (!analysis.bound.annotationFile.empty()) {
      json.string(analysis.bound.annotationFile);
    } else {
      json.null();
    }
  }
  member(json, "project", analysis.projectFile);
  member(json, "analyzed",
         formatIsoTime(analysis.time, utcOffsetSeconds(analysis.time)));
  writeModules(json, analysis);
  json.key("map");
  json.beginObject();
  member(json, "file", analysis.mapFile);
  member(json, "staticBytes", analysis.staticRam);
  json.endObject();
  writeEstimate(json, analysis);
  writeRoutines(json, analysis);
  writeTasks(json, analysis);
  writeTaskStarts(json, analysis);
  writeUnused(json, *analysis.table);
  json.key("chains");
  json.beginArray();
  if (analysis.top != nullptr) {
    for (const ListedChain& chain : listChains(analysis)) {
      writeChain(json, analysis, chain);
    }
  }
  json.endArray();
  if (analysis.boundMode) writeBoundFindings(json, analysis);
  writeWarnings(json, analysis);
  writeMessages(json, analysis, closing);
  writeBudget(json, analysis, budget);
  json.endObject();
  console.out(json.text());
}

}  // namespace memtally
