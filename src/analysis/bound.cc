#include "analysis/bound.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "analysis/analysis.h"
#include "analysis/computation_warnings.h"
#include "base/format.h"
#include "analysis/requirement.h"

namespace memtally {

std::string_view boundStatusName(BoundStatus status) {
  switch (status) {
    case BoundStatus::kExact:
      return "exact";
    case BoundStatus::kBounded:
      return "bounded";
    case BoundStatus::kAtLeast:
      return "atLeast";
  }
  return "atLeast";
}

const Recursion* recursionOf(const Analysis& analysis,
                             const RoutineEntry& entry) {
  if (entry.recursion == 0 ||
      entry.recursion > analysis.bound.recursions.size()) {
    return nullptr;
  }
  return &analysis.bound.recursions[entry.recursion - 1];
}

namespace {

constexpr uint32_t kUnvisited = UINT32_MAX;

// The call graph bound mode walks, by the routines' positions in the table:
// the routines and the external routines each one calls, in the order of
// its call list and of their recording.
struct Graph {
  std::vector<RoutineEntry*> nodes;
  std::vector<uint32_t> callStart;  // calls of node i: callStart[i] to [i+1]
  std::vector<uint32_t> callees;
  std::vector<uint32_t> externalStart;
  std::vector<uint32_t> externals;  // indexes of external routines

  uint32_t size() const { return static_cast<uint32_t>(nodes.size()); }
};

Graph buildGraph(const Analysis& analysis) {
  Graph graph;
  const RoutineTable& table = *analysis.table;
  graph.nodes.assign(table.entries.begin(), table.entries.end());
  const uint32_t n = graph.size();
  // Every entry's position stands in its recursion field while the graph is
  // made, which the recursions do not use until they are recorded: a map
  // of positions cost 3% of a bound run at 100,000 routines (bench/run.sh).
  for (uint32_t i = 0; i < n; ++i) graph.nodes[i]->recursion = i;
  const auto position = [](const RoutineEntry* entry) {
    return entry->recursion;
  };
  graph.callStart.reserve(n + 1);
  for (const RoutineEntry* entry : graph.nodes) {
    graph.callStart.push_back(static_cast<uint32_t>(graph.callees.size()));
    if (entry->calls == nullptr) continue;
    for (const RoutineEntry* callee : entry->calls->items) {
      graph.callees.push_back(position(callee));
    }
  }
  graph.callStart.push_back(static_cast<uint32_t>(graph.callees.size()));
  // The external calls, grouped by caller in the order recorded.
  const std::vector<ExternalCall>& calls = analysis.bound.externals.calls();
  graph.externalStart.assign(n + 1, 0);
  for (const ExternalCall& call : calls) {
    ++graph.externalStart[position(call.caller) + 1];
  }
  for (uint32_t i = 0; i < n; ++i) {
    graph.externalStart[i + 1] += graph.externalStart[i];
  }
  std::vector<uint32_t> next(graph.externalStart.begin(),
                             graph.externalStart.end() - 1);
  graph.externals.resize(calls.size());
  for (const ExternalCall& call : calls) {
    graph.externals[next[position(call.caller)]++] = call.routine;
  }
  for (RoutineEntry* entry : graph.nodes) entry->recursion = 0;
  return graph;
}

// Finds the strongly connected components of the part of `graph` that
// `roots` reach over the calls `keep` lets through, and hands each to `done`
// as it completes: a component after every component it calls. The walk
// keeps its own stack, so any depth of calls is safe.
template <typename Keep, typename Done>
void strongComponents(const Graph& graph, const std::vector<uint32_t>& roots,
                      Keep keep, Done done) {
  struct Step {
    uint32_t node;
    uint32_t next;  // the position of its next call in graph.callees
  };
  std::vector<uint32_t> order(graph.size(), kUnvisited);
  std::vector<uint32_t> low(graph.size());
  std::vector<char> onStack(graph.size(), 0);
  std::vector<uint32_t> stack;
  std::vector<Step> path;
  std::vector<uint32_t> members;
  uint32_t counter = 0;
  const auto visit = [&](uint32_t node) {
    order[node] = low[node] = counter++;
    onStack[node] = 1;
    stack.push_back(node);
    path.push_back({node, graph.callStart[node]});
  };
  for (const uint32_t root : roots) {
    if (order[root] != kUnvisited) continue;
    visit(root);
    while (!path.empty()) {
      const uint32_t node = path.back().node;
      if (path.back().next < graph.callStart[node + 1]) {
        const uint32_t callee = graph.callees[path.back().next++];
        if (!keep(node, callee)) continue;
        if (order[callee] == kUnvisited) {
          visit(callee);
        } else if (onStack[callee] != 0) {
          low[node] = std::min(low[node], order[callee]);
        }
        continue;
      }
      path.pop_back();
      if (!path.empty()) {
        low[path.back().node] = std::min(low[path.back().node], low[node]);
      }
      if (low[node] != order[node]) continue;
      members.clear();
      uint32_t member;
      do {
        member = stack.back();
        stack.pop_back();
        onStack[member] = 0;
        members.push_back(member);
      } while (member != node);
      std::sort(members.begin(), members.end());
      done(members);
    }
  }
}

// The bytes of one frame of `entry`: overhead 9, its parameters and locals.
uint64_t frameOf(const RoutineEntry& entry) {
  return uint64_t{kCalleeOverhead} + entry.paramBytes + entry.localBytes;
}

// The largest result among the calls a routine or a recursion makes: the
// first call, in order, that gave it, and the worst status of them all.
struct Largest {
  uint32_t bytes = 0;
  RoutineEntry* routine = nullptr;  // the routine that gave `bytes`
  std::optional<uint32_t> external;       // or the external routine
  BoundStatus status = BoundStatus::kExact;
  bool wrapped = false;

  void takeRoutine(RoutineEntry& callee) {
    status = worseStatus(status, callee.bound);
    wrapped = wrapped || callee.wrapReached;
    if (callee.totalBytes > bytes) {
      bytes = callee.totalBytes;
      routine = &callee;
      external.reset();
    }
  }

  void takeExternal(const BoundFacts& bound, uint32_t index) {
    const std::optional<uint32_t> size = bound.externalBytes[index];
    if (!size) {
      status = BoundStatus::kAtLeast;
      return;
    }
    status = worseStatus(status, BoundStatus::kBounded);
    if (*size > bytes) {
      bytes = *size;
      routine = nullptr;
      external = index;
    }
  }
};

// The computation over the components as they complete.
class BoundComputation {
 public:
  BoundComputation(Analysis& analysis, Graph& graph)
      : analysis_(analysis),
        bound_(analysis.bound),
        graph_(graph),
        component_(graph.size(), kUnvisited) {}

  // Lets the calls of a stack-annotated routine into its own recursion of
  // the whole graph, `wholeComponents`, through no more.
  void setWholeComponents(std::vector<uint32_t> wholeComponents) {
    whole_ = std::move(wholeComponents);
  }

  bool keep(uint32_t caller, uint32_t callee) const {
    if (whole_.empty()) return true;
    if ((graph_.nodes[caller]->flags & ROUTINE_STACK_ANNOTATED) == 0) {
      return true;
    }
    return whole_[caller] != whole_[callee];
  }

  void complete(const std::vector<uint32_t>& members) {
    const uint32_t id = components_++;
    for (const uint32_t member : members) component_[member] = id;
    if (members.size() == 1 && !callsItself(members[0])) {
      completeRoutine(members[0]);
    } else {
      completeRecursion(members, id);
    }
  }

  std::vector<AnnotationError>& errors() { return errors_; }

 private:
  bool callsItself(uint32_t node) const {
    for (uint32_t i = graph_.callStart[node]; i < graph_.callStart[node + 1];
         ++i) {
      if (graph_.callees[i] == node && keep(node, node)) return true;
    }
    return false;
  }

  // Takes every call of `node` that leaves component `id` into `largest`.
  void takeCalls(uint32_t node, uint32_t id, Largest& largest) const {
    for (uint32_t i = graph_.callStart[node]; i < graph_.callStart[node + 1];
         ++i) {
      const uint32_t callee = graph_.callees[i];
      if (!keep(node, callee) || component_[callee] == id) continue;
      largest.takeRoutine(*graph_.nodes[callee]);
    }
    for (uint32_t i = graph_.externalStart[node];
         i < graph_.externalStart[node + 1]; ++i) {
      largest.takeExternal(bound_, graph_.externals[i]);
      bound_.externalReached[graph_.externals[i]] = true;
    }
  }

  // Stores a computed total on `entry`; `overflowed` says that it lost
  // bits before it came here (a frame beyond 32 bits).
  void store(RoutineEntry& entry, uint64_t total, const Largest& largest,
             BoundStatus status, bool overflowed = false) {
    entry.invocationOverhead = kCalleeOverhead;
    entry.totalBytes = static_cast<uint32_t>(total);
    entry.calleeBytes =
        entry.totalBytes - static_cast<uint32_t>(frameOf(entry));
    entry.totalWrapped = overflowed || total > UINT32_MAX;
    entry.wrapReached = entry.totalWrapped || largest.wrapped;
    entry.worstCallee = largest.routine;
    entry.bound = status;
    if (largest.external) bound_.worstExternal[&entry] = *largest.external;
  }

  void completeRoutine(uint32_t node) {
    RoutineEntry& entry = *graph_.nodes[node];
    Largest largest;
    takeCalls(node, component_[node], largest);
    const uint64_t needed = frameOf(entry) + largest.bytes;
    if ((entry.flags & ROUTINE_STACK_ANNOTATED) == 0) {
      store(entry, needed, largest, largest.status);
      return;
    }
    Annotation& annotation = bound_.annotations[bound_.stackOf.at(&entry)];
    annotation.used = true;
    if (annotation.value >= needed) {
      store(entry, annotation.value, Largest{}, BoundStatus::kBounded);
      return;
    }
    store(entry, needed, largest,
          worseStatus(BoundStatus::kBounded, largest.status));
    warnBelow(annotation, entry, needed);
  }

  void warnBelow(const Annotation& annotation, const RoutineEntry& entry,
                 uint64_t needed) {
    analysis_.warnings.add(
        WarningSource::kAnnotations, 0, bound_.annotationFile,
        {annotation.line, annotation.name.column},
        WarningKind::kAnnotationBelow,
        std::string(entry.fullName) + " needs at least " +
            decimal(static_cast<uint32_t>(needed)) +
            " bytes (its frame and the largest total it calls outside its "
            "recursion), more than the " +
            decimal(annotation.value) + " this annotation gives; " +
            decimal(static_cast<uint32_t>(needed)) + " is counted");
  }

  // The depth annotated on a member of the recursion; the first in routine
  // order when several agree. Members whose depth disagrees with it are
  // errors.
  std::optional<uint32_t> depthOf(const std::vector<uint32_t>& members) {
    const Annotation* first = nullptr;
    for (const uint32_t member : members) {
      const auto found = bound_.depthOf.find(graph_.nodes[member]);
      if (found == bound_.depthOf.end()) continue;
      Annotation& annotation = bound_.annotations[found->second];
      annotation.used = true;
      if (first == nullptr) {
        first = &annotation;
      } else if (annotation.value != first->value) {
        errors_.push_back(
            {annotation.line, annotation.name.column,
             "the depth " + decimal(annotation.value) + " of " +
                 std::string(graph_.nodes[member]->fullName) +
                 " disagrees with the depth " + decimal(first->value) +
                 " given on line " + decimal(first->line) +
                 " to the same recursion"});
      }
    }
    if (first == nullptr) return std::nullopt;
    return first->value;
  }

  void completeRecursion(const std::vector<uint32_t>& members, uint32_t id) {
    Recursion recursion;
    uint64_t largestFrame = 0;
    Largest largest;
    for (const uint32_t member : members) {
      recursion.members.push_back(graph_.nodes[member]);
      largestFrame = std::max(largestFrame, frameOf(*graph_.nodes[member]));
      takeCalls(member, id, largest);
    }
    recursion.depth = depthOf(members);
    const uint64_t depth = recursion.depth.value_or(1);
    // A frame beyond 32 bits wrapped already; the product of two 32-bit
    // numbers and a third fits 64 bits.
    const bool frameWrapped = largestFrame > UINT32_MAX;
    const uint64_t total =
        depth * (largestFrame & UINT32_MAX) + largest.bytes;
    recursion.largestFrame = static_cast<uint32_t>(largestFrame);
    recursion.outsideBytes = largest.bytes;
    recursion.worstOutside = largest.routine;
    recursion.totalBytes = static_cast<uint32_t>(total);
    recursion.status = worseStatus(
        recursion.depth ? BoundStatus::kBounded : BoundStatus::kAtLeast,
        largest.status);
    bound_.recursions.push_back(std::move(recursion));
    const uint32_t index = static_cast<uint32_t>(bound_.recursions.size());
    const BoundStatus status = bound_.recursions.back().status;
    for (const uint32_t member : members) {
      RoutineEntry& entry = *graph_.nodes[member];
      store(entry, total, largest, status, frameWrapped);
      entry.recursion = index;
    }
  }

  Analysis& analysis_;
  BoundFacts& bound_;
  Graph& graph_;
  std::vector<uint32_t> component_;  // by node: its component, as completed
  std::vector<uint32_t> whole_;      // by node: its component in the whole
  uint32_t components_ = 0;
  std::vector<AnnotationError> errors_;
};

// The roots of bound mode's walk: the top routine, then every task.
std::vector<uint32_t> rootsOf(const Graph& graph, const RoutineEntry* top) {
  std::vector<uint32_t> roots;
  for (uint32_t i = 0; i < graph.size(); ++i) {
    if (graph.nodes[i] == top) roots.insert(roots.begin(), i);
    else if ((graph.nodes[i]->flags & ROUTINE_TASK) != 0) roots.push_back(i);
  }
  return roots;
}

// The components of the whole graph that `roots` reach, by node.
std::vector<uint32_t> wholeComponents(const Graph& graph,
                                      const std::vector<uint32_t>& roots) {
  std::vector<uint32_t> component(graph.size(), kUnvisited);
  uint32_t next = 0;
  strongComponents(
      graph, roots, [](uint32_t, uint32_t) { return true; },
      [&](const std::vector<uint32_t>& members) {
        for (const uint32_t member : members) component[member] = next;
        ++next;
      });
  return component;
}

// Counts what lies below the top routine that bound mode cannot see.
void countUnknownsBelowTop(Analysis& analysis, const Graph& graph,
                           const BoundComputation& computation,
                           uint32_t top) {
  BoundFacts& bound = analysis.bound;
  std::vector<char> seen(graph.size(), 0);
  std::unordered_set<uint32_t> externals;
  std::unordered_set<uint32_t> recursions;
  std::vector<uint32_t> pending{top};
  seen[top] = 1;
  while (!pending.empty()) {
    const uint32_t node = pending.back();
    pending.pop_back();
    const RoutineEntry& entry = *graph.nodes[node];
    if (entry.recursion != 0 &&
        !bound.recursions[entry.recursion - 1].depth) {
      recursions.insert(entry.recursion);
    }
    for (uint32_t i = graph.externalStart[node];
         i < graph.externalStart[node + 1]; ++i) {
      if (!bound.externalBytes[graph.externals[i]]) {
        externals.insert(graph.externals[i]);
      }
    }
    for (uint32_t i = graph.callStart[node]; i < graph.callStart[node + 1];
         ++i) {
      const uint32_t callee = graph.callees[i];
      if (seen[callee] == 0 && computation.keep(node, callee)) {
        seen[callee] = 1;
        pending.push_back(callee);
      }
    }
  }
  bound.unsizedBelowTop = static_cast<uint32_t>(externals.size());
  bound.unboundedBelowTop = static_cast<uint32_t>(recursions.size());
}

}  // namespace

std::vector<AnnotationError> computeBound(Analysis& analysis,
                                          RoutineEntry* top,
                                          uint32_t topOverhead) {
  BoundFacts& bound = analysis.bound;
  bound.externalReached.assign(bound.externals.routines().size(), false);
  bound.externalBytes.resize(bound.externals.routines().size());
  Graph graph = buildGraph(analysis);
  const std::vector<uint32_t> roots = rootsOf(graph, top);
  BoundComputation computation(analysis, graph);
  if (!bound.stackOf.empty()) {
    computation.setWholeComponents(wholeComponents(graph, roots));
  }
  strongComponents(
      graph, roots,
      [&](uint32_t caller, uint32_t callee) {
        return computation.keep(caller, callee);
      },
      [&](const std::vector<uint32_t>& members) {
        computation.complete(members);
      });
  // A size counts where a call of its external routine was reached.
  for (const auto& [external, annotation] : bound.externalStackOf) {
    if (bound.externalReached[external]) {
      bound.annotations[annotation].used = true;
    }
  }
  for (const RoutineEntry* entry : analysis.table->entries) {
    if ((entry->flags & ROUTINE_TASK) != 0) analysis.tasks.push_back(entry);
  }
  if (top != nullptr) {
    countUnknownsBelowTop(analysis, graph, computation, roots.front());
    // The top main's own frame holds 6 bytes more than a call of it.
    const uint64_t total =
        uint64_t{top->totalBytes} + (topOverhead - kCalleeOverhead);
    top->invocationOverhead = topOverhead;
    top->totalBytes = static_cast<uint32_t>(total);
    top->totalWrapped = top->totalWrapped || total > UINT32_MAX;
    top->wrapReached = top->wrapReached || top->totalWrapped;
    analysis.total = top->totalBytes;
  }
  return std::move(computation.errors());
}

namespace {

// The members of a recursion as a warning names them: up to three, then how
// many more.
std::string memberNames(const Recursion& recursion) {
  constexpr size_t kNamed = 3;
  const std::vector<const RoutineEntry*>& members = recursion.members;
  if (members.size() == 1) {
    return std::string(members[0]->fullName) + " calls itself";
  }
  std::string names;
  const size_t named = std::min(members.size(), kNamed);
  for (size_t i = 0; i < named; ++i) {
    if (i > 0) names += i + 1 == named && members.size() <= kNamed ? " and " : ", ";
    names += members[i]->fullName;
  }
  if (members.size() > kNamed) {
    names += " and " + decimal(static_cast<uint32_t>(members.size() - kNamed)) +
             " more";
  }
  return names + " call each other";
}

void warnUnsized(Analysis& analysis, const ExternalRoutine& external) {
  const std::string text =
      external.name +
      " is no routine of the project, so its calls count 0 bytes and every "
      "total above them is a lower bound; give its stack with a line \"stack " +
      external.name + " BYTES\" in " + analysis.bound.suggestedFile;
  if (!external.sites.empty() &&
      external.sites.front().module < analysis.modules.size()) {
    const CallSite& site = external.sites.front();
    analysis.warnings.add(WarningSource::kModule, site.module,
                          analysis.modules[site.module].file,
                          {site.line, site.column}, WarningKind::kExternalCall,
                          text);
  } else {
    analysis.warnings.add(WarningSource::kAnnotations, 0,
                          analysis.bound.annotationFile, {0, 1},
                          WarningKind::kExternalCall, text);
  }
}

}  // namespace

void addBoundWarnings(Analysis& analysis) {
  const BoundFacts& bound = analysis.bound;
  for (uint32_t i = 0; i < bound.externals.routines().size(); ++i) {
    if (bound.externalReached[i] && !bound.externalBytes[i]) {
      warnUnsized(analysis, bound.externals.routines()[i]);
    }
  }
  for (const Recursion& recursion : bound.recursions) {
    if (recursion.depth) continue;
    const RoutineEntry& first = *recursion.members.front();
    analysis.warnings.add(aboutRoutine(
        analysis, first, WarningKind::kRecursionUnbounded,
        memberNames(recursion) +
            "; without a depth the recursion counts once, so every total "
            "above it is a lower bound; give its depth with a line "
            "\"recursion " +
            std::string(first.fullName) + " DEPTH\" in " +
            bound.suggestedFile));
  }
}

}  // namespace memtally
