#include "report/dot_report.h"

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
  // is drawn as a chain's call.
  std::unordered_set<const RoutineEntry*> onChains;
  // The checks of the starts of each task, in project order.
  std::unordered_map<const RoutineEntry*, std::vector<const TaskStack*>>
      stacks;
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

// "NAME\nN bytes", and the stack of a task. The cluster names the module,
// so the routine name suffices, but for a routine only the map names.
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

std::string nodeLabel(const Graph& graph, const Analysis& analysis,
                      const RoutineEntry& entry) {
  std::string label(isDefinedInModule(analysis, entry) ? entry.routineName()
                                                       : entry.fullName);
  if (!isComputed(entry)) return label + "\nnot reached";
  label += '\n';
  label += decimal(entry.totalBytes);
  label += " bytes";
  if ((entry.flags & ROUTINE_TASK) != 0) {
    label += "\ntask stack ";
    label += decimal(taskStackBytes(entry));
    label += " bytes";
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

void appendNode(Graph& graph, const Analysis& analysis,
                const RoutineEntry& entry) {
  std::string& out = graph.text;
  out += "    ";
  out += dotNodeId(graph.ids.at(&entry));
  out += " [label=";
  appendDotString(out, nodeLabel(graph, analysis, entry));
  if ((entry.flags & ROUTINE_TASK) != 0) out += ", peripheries=2";
  if (hasTooSmallStack(graph, entry)) {
    out += ", color=red, fontcolor=red, penwidth=2";
  }
  if (&entry == analysis.top) out += ", style=bold";
  if (!isComputed(entry)) out += ", color=grey, fontcolor=grey";
  out += "];\n";
}

// One cluster per module with drawn routines, in project-file order.
void appendClusters(Graph& graph, const Analysis& analysis) {
  std::vector<std::vector<const RoutineEntry*>> clusters(
      analysis.modules.size() + 1);
  for (const RoutineEntry* entry : analysis.table->entries) {
    if (graph.ids.count(entry) != 0) {
      clusters[clusterOf(analysis, *entry)].push_back(entry);
    }
  }
  for (size_t c = 0; c < clusters.size(); ++c) {
    if (clusters[c].empty()) continue;
    graph.text += "  subgraph ";
    graph.text += dotClusterId(c);
    graph.text += " {\n    label=";
    appendDotString(graph.text, clusterLabel(analysis, c));
    graph.text += ";\n";
    for (const RoutineEntry* entry : clusters[c]) {
      appendNode(graph, analysis, *entry);
    }
    graph.text += "  }\n";
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
  if (analysis.top != nullptr) {
    for (const ListedChain& chain : listChains(analysis)) {
      graph.onChains.insert(chain.steps.begin(), chain.steps.end());
    }
  }
  graph.text = "digraph memtally {\n  label=";
  const std::optional<uint32_t> total = printedTotal(analysis);
  appendDotString(
      graph.text,
      analysis.projectFile + (total ? ": estimate " + decimal(*total) + " bytes"
                                    : ": no estimate"));
  graph.text += ";\n  labelloc=t;\n  node [shape=box];\n";
  appendClusters(graph, analysis);
  appendEdges(graph, analysis);
  graph.text += "}\n";
  console.out(graph.text);
}

}  // namespace memtally
