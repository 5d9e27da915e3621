#include "report/dot_report.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/format.h"
#include "analysis/call_chain.h"
#include "report/dot_writer.h"
#include "analysis/requirement.h"

namespace memtally {
namespace {

// The graph being written, whole before any of it goes out.
struct Graph {
  std::string text;
  std::unordered_map<const RoutineEntry*, size_t> ids;  // drawn routines
  // The routines on a deepest chain: the call of each one's worst callee
  // is drawn as a chain's call. In bound mode a recursion on a chain puts
  // every member here, since any of them may make the call leaving it.
  std::unordered_set<const RoutineEntry*> onChains;
  // The checks of the starts of each task, in project order.
  std::unordered_map<const RoutineEntry*, std::vector<const TaskStack*>>
      stacks;
};

// Bound mode: where each recursion is drawn. A recursion whose members all
// lie in one module's cluster is a cluster inside it; any other one is a
// cluster of its own beside the modules', whose nodes say their module.
struct RecursionLayout {
  static constexpr size_t kTopLevel = SIZE_MAX;
  std::vector<size_t> parent;  // by recursion: its module cluster, or kTopLevel
};

// The cluster a routine is drawn in: the module file of its definition, or
// the map file (one past the modules) for a routine that only the map names.
size_t clusterOf(const Analysis& analysis, const RoutineEntry& entry) {
  return isDefinedInModule(analysis, entry) ? entry.definitionModule
                                            : analysis.modules.size();
}

std::string clusterLabel(const Analysis& analysis, size_t cluster) {
  return cluster < analysis.modules.size() ? analysis.modules[cluster].file
                                           : analysis.mapFile;
}

RecursionLayout layOutRecursions(const Analysis& analysis) {
  RecursionLayout layout;
  for (const Recursion& recursion : analysis.bound.recursions) {
    size_t parent = clusterOf(analysis, *recursion.members.front());
    for (const RoutineEntry* member : recursion.members) {
      if (clusterOf(analysis, *member) != parent) {
        parent = RecursionLayout::kTopLevel;
        break;
      }
    }
    layout.parent.push_back(parent);
  }
  return layout;
}

// True when bound mode found the total of `entry` only a lower bound.
bool isLowerBound(const Analysis& analysis, const RoutineEntry& entry) {
  return analysis.boundMode && isComputed(entry) &&
         entry.bound == BoundStatus::kAtLeast;
}

// "N bytes", or "at least N bytes" for a lower bound.
std::string bytesText(const Analysis& analysis, const RoutineEntry& entry,
                      uint32_t bytes) {
  return (isLowerBound(analysis, entry) ? "at least " : "") + decimal(bytes) +
         " bytes";
}

// "array NAME N bytes" for each start of a task, with "too small" or
// "unchecked" where it does not fit or cannot be checked.
void appendArrays(std::string& label, const std::vector<const TaskStack*>& stacks) {
  for (const TaskStack* stack : stacks) {
    label += "\narray ";
    label += stack->start->stackArgument ? *stack->start->stackArgument : "?";
    if (stack->arrayBytes) label += " " + decimal(*stack->arrayBytes) + " bytes";
    if (stack->fit == StackFit::kTooSmall) label += ": too small";
    if (stack->fit == StackFit::kUnknown) label += ": unchecked";
  }
}

// "NAME\nN bytes", and the stack of a task. The cluster names the module,
// so the routine name suffices, but for a routine only the map names and
// one drawn outside its module's cluster (`qualified`).
std::string nodeLabel(const Graph& graph, const Analysis& analysis,
                      const RoutineEntry& entry, bool qualified) {
  std::string label(isDefinedInModule(analysis, entry) && !qualified
                        ? entry.routineName()
                        : entry.fullName);
  if (!isComputed(entry)) return label + "\nnot reached";
  label += '\n';
  label += bytesText(analysis, entry, entry.totalBytes);
  if (analysis.boundMode &&
      stepFigures(analysis, entry, false).kind == StepKind::kStackAnnotation) {
    label += "\nstack annotation";
  }
  if ((entry.flags & ROUTINE_TASK) != 0) {
    label += "\ntask stack ";
    label += bytesText(analysis, entry, taskStackBytes(entry));
    const auto stacks = graph.stacks.find(&entry);
    if (stacks != graph.stacks.end()) appendArrays(label, stacks->second);
  }
  return label;
}

// True when a start of the task `entry` hands it an array too small.
bool hasTooSmallStack(const Graph& graph, const RoutineEntry& entry) {
  const auto stacks = graph.stacks.find(&entry);
  if (stacks == graph.stacks.end()) return false;
  for (const TaskStack* stack : stacks->second) {
    if (stack->fit == StackFit::kTooSmall) return true;
  }
  return false;
}

// The node of `entry`, indented by `indent` blanks; a lower bound's border
// is dashed.
void appendNode(Graph& graph, const Analysis& analysis,
                const RoutineEntry& entry, size_t indent, bool qualified) {
  std::string& out = graph.text;
  appendBlanks(out, indent);
  out += dotNodeId(graph.ids.at(&entry));
  out += " [label=";
  appendDotString(out, nodeLabel(graph, analysis, entry, qualified));
  if ((entry.flags & ROUTINE_TASK) != 0) out += ", peripheries=2";
  if (hasTooSmallStack(graph, entry)) {
    out += ", color=red, fontcolor=red, penwidth=2";
  }
  const bool top = &entry == analysis.top;
  if (isLowerBound(analysis, entry)) {
    out += top ? ", style=\"bold,dashed\"" : ", style=dashed";
  } else if (top) {
    out += ", style=bold";
  }
  if (!isComputed(entry)) out += ", color=grey, fontcolor=grey";
  out += "];\n";
}

// "recursion, depth 10" or "recursion, depth unknown", dashed then.
void appendRecursionHeading(std::string& out, const Analysis& analysis,
                            size_t index, size_t indent) {
  const Recursion& recursion = analysis.bound.recursions[index];
  appendBlanks(out, indent);
  out += "subgraph ";
  out += dotRecursionClusterId(index);
  out += " {\n";
  appendBlanks(out, indent + 2);
  out += "label=";
  appendDotString(out, recursion.depth ? "recursion, depth " +
                                             decimal(*recursion.depth)
                                       : std::string("recursion, depth unknown"));
  out += ";\n";
  if (!recursion.depth) {
    appendBlanks(out, indent + 2);
    out += "style=dashed;\n";
  }
}

// The drawn routines of one cluster: those in no recursion drawn inside it,
// then each such recursion as a cluster of its own.
struct ClusterNodes {
  std::vector<const RoutineEntry*> own;
  std::vector<std::pair<size_t, std::vector<const RoutineEntry*>>> recursions;
};

// Puts every drawn routine into its cluster, or its recursion's, in table
// order; the recursions drawn beside the modules' clusters go to `beside`.
std::vector<ClusterNodes> gatherClusters(
    const Graph& graph, const Analysis& analysis, const RecursionLayout& layout,
    std::vector<std::pair<size_t, std::vector<const RoutineEntry*>>>& beside) {
  std::vector<ClusterNodes> clusters(analysis.modules.size() + 1);
  // Where each recursion's members go, once it has its first.
  std::unordered_map<size_t, std::vector<const RoutineEntry*>*> slots;
  for (const RoutineEntry* entry : analysis.table->entries) {
    if (graph.ids.count(entry) == 0) continue;
    const size_t cluster = clusterOf(analysis, *entry);
    if (!analysis.boundMode || entry->recursion == 0) {
      clusters[cluster].own.push_back(entry);
      continue;
    }
    const size_t recursion = entry->recursion - 1;
    auto slot = slots.find(recursion);
    if (slot == slots.end()) {
      const size_t parent = layout.parent[recursion];
      auto& list = parent == RecursionLayout::kTopLevel
                       ? beside
                       : clusters[parent].recursions;
      list.emplace_back(recursion, std::vector<const RoutineEntry*>());
      slot = slots.emplace(recursion, &list.back().second).first;
    }
    slot->second->push_back(entry);
  }
  return clusters;
}

// One cluster per module with drawn routines, in project-file order, then
// the recursions drawn beside them.
void appendClusters(Graph& graph, const Analysis& analysis) {
  const RecursionLayout layout = layOutRecursions(analysis);
  std::vector<std::pair<size_t, std::vector<const RoutineEntry*>>> beside;
  const std::vector<ClusterNodes> clusters =
      gatherClusters(graph, analysis, layout, beside);
  for (size_t c = 0; c < clusters.size(); ++c) {
    if (clusters[c].own.empty() && clusters[c].recursions.empty()) continue;
    graph.text += "  subgraph ";
    graph.text += dotClusterId(c);
    graph.text += " {\n    label=";
    appendDotString(graph.text, clusterLabel(analysis, c));
    graph.text += ";\n";
    for (const RoutineEntry* entry : clusters[c].own) {
      appendNode(graph, analysis, *entry, 4, false);
    }
    for (const auto& [recursion, members] : clusters[c].recursions) {
      appendRecursionHeading(graph.text, analysis, recursion, 4);
      for (const RoutineEntry* entry : members) {
        appendNode(graph, analysis, *entry, 6, false);
      }
      graph.text += "    }\n";
    }
    graph.text += "  }\n";
  }
  for (const auto& [recursion, members] : beside) {
    appendRecursionHeading(graph.text, analysis, recursion, 2);
    for (const RoutineEntry* entry : members) {
      appendNode(graph, analysis, *entry, 4, true);
    }
    graph.text += "  }\n";
  }
}

// Bound mode: a node for every external routine that a counted call
// reaches, dashed and rounded, with its annotated size.
void appendExternals(Graph& graph, const Analysis& analysis) {
  const BoundFacts& bound = analysis.bound;
  const auto& routines = bound.externals.routines();
  for (size_t i = 0; i < routines.size(); ++i) {
    if (i >= bound.externalReached.size() || !bound.externalReached[i]) {
      continue;
    }
    const std::optional<uint32_t> size =
        i < bound.externalBytes.size() ? bound.externalBytes[i] : std::nullopt;
    graph.text += "  ";
    graph.text += dotExternalNodeId(i);
    graph.text += " [label=";
    appendDotString(graph.text, routines[i].name + "\n" +
                                    (size ? decimal(*size) + " bytes"
                                          : std::string("size unknown")));
    graph.text += ", style=\"rounded,dashed\"];\n";
  }
}

// An edge per call between drawn routines: red and thick on a deepest
// chain, dashed and labelled 0 where a recursion was cut.
void appendEdges(Graph& graph, const Analysis& analysis) {
  for (const RoutineEntry* caller : analysis.table->entries) {
    if (caller->calls == nullptr || graph.ids.count(caller) == 0) continue;
    for (const RoutineEntry* callee : caller->calls->items) {
      if (graph.ids.count(callee) == 0) continue;
      std::string& out = graph.text;
      out += "  ";
      out += dotNodeId(graph.ids.at(caller));
      out += " -> ";
      out += dotNodeId(graph.ids.at(callee));
      if (callee == caller->worstCallee && graph.onChains.count(caller) != 0) {
        out += " [color=red, penwidth=2.5]";
      } else if (analysis.isCut(*caller, *callee)) {
        out += " [style=dashed, label=\"0\"]";
      }
      out += ";\n";
    }
  }
}

// Bound mode: an edge per drawn routine's call of a drawn external
// routine, red and thick where it ends a deepest chain.
void appendExternalEdges(Graph& graph, const Analysis& analysis) {
  const BoundFacts& bound = analysis.bound;
  for (const ExternalCall& call : bound.externals.calls()) {
    if (graph.ids.count(call.caller) == 0 ||
        call.routine >= bound.externalReached.size() ||
        !bound.externalReached[call.routine]) {
      continue;
    }
    graph.text += "  ";
    graph.text += dotNodeId(graph.ids.at(call.caller));
    graph.text += " -> ";
    graph.text += dotExternalNodeId(call.routine);
    const auto worst = bound.worstExternal.find(call.caller);
    if (worst != bound.worstExternal.end() && worst->second == call.routine &&
        graph.onChains.count(call.caller) != 0) {
      graph.text += " [color=red, penwidth=2.5]";
    }
    graph.text += ";\n";
  }
}

// Marks the routines of every deepest chain; in bound mode every member of
// a recursion on one, each recursion once.
void markChains(Graph& graph, const Analysis& analysis) {
  std::unordered_set<uint32_t> recursions;
  for (const ListedChain& chain : listChains(analysis)) {
    for (const RoutineEntry* step : chain.steps) {
      graph.onChains.insert(step);
      if (!analysis.boundMode || step->recursion == 0) continue;
      if (!recursions.insert(step->recursion).second) continue;
      const Recursion* recursion = recursionOf(analysis, *step);
      if (recursion == nullptr) continue;
      graph.onChains.insert(recursion->members.begin(),
                            recursion->members.end());
    }
  }
}

}  // namespace

void writeDotReport(Console& console, const Analysis& analysis,
                    bool withUnreached) {
  const RoutineTable& table = *analysis.table;
  Graph graph;
  for (const TaskStack& stack : analysis.taskStacks) {
    if (stack.start->task != nullptr) {
      graph.stacks[stack.start->task].push_back(&stack);
    }
  }
  for (size_t i = 0; i < table.entries.size(); ++i) {
    if (withUnreached || isComputed(*table.entries[i])) {
      graph.ids.emplace(table.entries[i], i);
    }
  }
  if (analysis.top != nullptr) markChains(graph, analysis);
  graph.text = "digraph memtally {\n  label=";
  const std::optional<uint32_t> total = printedTotal(analysis);
  const bool atLeast =
      analysis.top != nullptr && isLowerBound(analysis, *analysis.top);
  appendDotString(
      graph.text,
      analysis.projectFile +
          (total ? ": estimate " + std::string(atLeast ? "at least " : "") +
                       decimal(*total) + " bytes"
                 : ": no estimate"));
  graph.text += ";\n  labelloc=t;\n  node [shape=box];\n";
  appendClusters(graph, analysis);
  if (analysis.boundMode) appendExternals(graph, analysis);
  appendEdges(graph, analysis);
  if (analysis.boundMode) appendExternalEdges(graph, analysis);
  graph.text += "}\n";
  console.out(graph.text);
}

}  // namespace memtally
