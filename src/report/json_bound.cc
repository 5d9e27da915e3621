#include "report/json_bound.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace memtally {
namespace {

// The name of the external routine whose size gave the callee bytes of
// `entry`, or null.
void worstExternal(JsonWriter& json, const Analysis& analysis,
                   const RoutineEntry& entry) {
  json.key("worstExternal");
  const auto found = analysis.bound.worstExternal.find(&entry);
  if (found == analysis.bound.worstExternal.end()) {
    json.null();
    return;
  }
  json.string(analysis.bound.externals.routines()[found->second].name);
}

void writeRecursion(JsonWriter& json, const Analysis& analysis,
                    const Recursion& recursion) {
  json.beginObject();
  json.key("members");
  json.beginInlineArray();
  for (const RoutineEntry* entry : recursion.members) {
    json.string(entry->fullName);
  }
  json.endArray();
  optionalNumber(json, "depth", recursion.depth);
  member(json, "largestFrameBytes", recursion.largestFrame);
  member(json, "outsideBytes", recursion.outsideBytes);
  json.key("worstOutside");
  if (recursion.worstOutside != nullptr) {
    json.string(recursion.worstOutside->fullName);
  } else {
    json.null();
  }
  worstExternal(json, analysis, *recursion.members.front());
  member(json, "totalBytes", recursion.totalBytes);
  member(json, "bound", boundStatusName(recursion.status));
  json.endObject();
}

void writeRecursions(JsonWriter& json, const Analysis& analysis) {
  json.key("recursions");
  json.beginArray();
  for (const Recursion& recursion : analysis.bound.recursions) {
    writeRecursion(json, analysis, recursion);
  }
  json.endArray();
}

// Every call site of an external routine, as {"file", "line", "column"}.
void writeSites(JsonWriter& json, const Analysis& analysis,
                const ExternalRoutine& external) {
  json.key("sites");
  json.beginArray();
  for (const CallSite& site : external.sites) {
    if (site.module >= analysis.modules.size()) continue;
    json.beginInlineObject();
    member(json, "file", analysis.modules[site.module].file);
    member(json, "line", site.line);
    member(json, "column", site.column);
    json.endObject();
  }
  json.endArray();
}

void writeExternalCalls(JsonWriter& json, const Analysis& analysis) {
  const BoundFacts& bound = analysis.bound;
  const auto& routines = bound.externals.routines();
  // The callers of each external routine, in the order their calls were
  // recorded.
  std::vector<std::vector<const RoutineEntry*>> callers(routines.size());
  for (const ExternalCall& call : bound.externals.calls()) {
    callers[call.routine].push_back(call.caller);
  }
  json.key("externalCalls");
  json.beginArray();
  for (uint32_t i = 0; i < routines.size(); ++i) {
    json.beginObject();
    member(json, "name", routines[i].name);
    optionalNumber(json, "stackBytes", i < bound.externalBytes.size()
                                           ? bound.externalBytes[i]
                                           : std::nullopt);
    json.key("reached");
    json.boolean(i < bound.externalReached.size() && bound.externalReached[i]);
    json.key("callers");
    json.beginInlineArray();
    for (const RoutineEntry* caller : callers[i]) json.string(caller->fullName);
    json.endArray();
    writeSites(json, analysis, routines[i]);
    json.endObject();
  }
  json.endArray();
}

void writeAnnotation(JsonWriter& json, const Analysis& analysis,
                     const Annotation& annotation) {
  json.beginObject();
  member(json, "file", analysis.bound.annotationFile);
  member(json, "line", annotation.line);
  member(json, "column", annotation.column);
  member(json, "kind", annotationKindName(annotation.kind));
  member(json, "name", annotation.name.text);
  const bool calls = annotation.kind == AnnotationKind::kCalls;
  optionalNumber(json, "value",
                 calls ? std::nullopt : std::optional(annotation.value));
  if (calls) {
    json.key("callees");
    json.beginInlineArray();
    for (const AnnotatedName& callee : annotation.callees) {
      json.string(callee.text);
    }
    json.endArray();
  }
  json.key("used");
  json.boolean(annotation.used);
  json.endObject();
}

void writeAnnotations(JsonWriter& json, const Analysis& analysis) {
  json.key("annotations");
  json.beginArray();
  for (const Annotation& annotation : analysis.bound.annotations) {
    writeAnnotation(json, analysis, annotation);
  }
  json.endArray();
}

}  // namespace

void writeBoundRoutine(JsonWriter& json, const Analysis& analysis,
                       const RoutineEntry& entry) {
  worstExternal(json, analysis, entry);
  json.key("recursion");
  if (entry.recursion != 0) {
    json.number(entry.recursion - 1);
  } else {
    json.null();
  }
}

void writeBoundFindings(JsonWriter& json, const Analysis& analysis) {
  writeRecursions(json, analysis);
  writeExternalCalls(json, analysis);
  writeAnnotations(json, analysis);
}

}  // namespace memtally
