#include "analysis/task_stacks.h"

#include <algorithm>
#include <map>
#include <utility>

#include "analysis/analysis.h"
#include "base/chars.h"
#include "base/format.h"
#include "scan/module_qualifiers.h"
#include "scan/scanner.h"

namespace memtally {
namespace {

// "Main.bas:40", where a place in a module stands.
std::string placeText(const Analysis& analysis, uint32_t module,
                      const Place& place) {
  std::string text = module < analysis.modules.size()
                         ? analysis.modules[module].file
                         : std::string("?");
  text += ':';
  appendUnsigned(text, place.line);
  return text;
}

// The module-level Public arrays of a project by the folded last component
// of their module's name and their folded name: the first of each, in the
// order of the modules, so that a Module.Name argument is one lookup
// however many modules share a last name.
using PublicArrays =
    std::map<std::pair<std::string, std::string>, const ArrayDeclaration*>;

PublicArrays publicArraysByModule(const Analysis& analysis) {
  PublicArrays arrays;
  for (const ArrayDeclaration& array : analysis.declarations.arrays()) {
    if (array.routine != nullptr || !array.isPublic ||
        array.module >= analysis.modules.size()) {
      continue;
    }
    const std::string_view module =
        moduleNameOf(analysis.modules[array.module].file);
    arrays.emplace(std::make_pair(foldedCopy(lastPathComponent(module)),
                                  foldedCopy(array.name)),
                   &array);
  }
  return arrays;
}

// The array `name` of the module whose last path component is `qualifier`:
// the starting module's own, any, when its name ends so, else the first
// Public one of such a module.
const ArrayDeclaration* qualifiedArray(const Analysis& analysis,
                                       const PublicArrays& publicArrays,
                                       const TaskStart& start,
                                       std::string_view qualifier,
                                       std::string_view name) {
  if (start.module < analysis.modules.size() &&
      equalsNoCase(lastPathComponent(
                       moduleNameOf(analysis.modules[start.module].file)),
                   qualifier)) {
    const ArrayDeclaration* own =
        analysis.declarations.moduleArray(start.module, name);
    if (own != nullptr) return own;
  }
  const auto found = publicArrays.find(
      std::make_pair(foldedCopy(qualifier), foldedCopy(name)));
  return found == publicArrays.end() ? nullptr : found->second;
}

// The array of a task start's stack argument: a Dim of the routine holding
// the start, else a module-level array of its module, else the first Public
// one of the project; for Module.Name that module's array only. Null when
// there is none, with the reason in `problem`.
const ArrayDeclaration* findStackArray(const Analysis& analysis,
                                       const PublicArrays& publicArrays,
                                       const TaskStart& start,
                                       std::string& problem) {
  if (!start.stackArgument) {
    problem = "its stack argument is not the name of an array";
    return nullptr;
  }
  const std::string& argument = *start.stackArgument;
  const ProjectDeclarations& declarations = analysis.declarations;
  const size_t dot = argument.rfind('.');
  const ArrayDeclaration* array = nullptr;
  if (dot != std::string::npos) {
    array = qualifiedArray(analysis, publicArrays, start,
                           std::string_view(argument).substr(0, dot),
                           std::string_view(argument).substr(dot + 1));
  } else {
    array = declarations.localArray(start.routine, argument);
    if (array == nullptr) array = declarations.moduleArray(start.module, argument);
    if (array == nullptr) array = declarations.publicArray(argument);
  }
  if (array == nullptr) problem = "no array " + argument + " is declared";
  return array;
}

// The bytes the task of `start` needs, or the reason it is not known.
std::optional<uint32_t> neededBytes(const TaskStart& start,
                                    std::string& problem) {
  const RoutineEntry* task = start.task;
  if (task == nullptr) {
    problem = start.name ? *start.name +
                               " is not a routine of this module, so its need "
                               "is not computed"
                         : "calltask has no quoted routine name";
    return std::nullopt;
  }
  if (!isComputed(*task)) {
    problem = "the need of " + std::string(task->fullName) +
              " was not computed";
    return std::nullopt;
  }
  if (task->wrapReached ||
      uint64_t{task->totalBytes} + kTaskStackExtra > UINT32_MAX) {
    problem = "the need of " + std::string(task->fullName) +
              " exceeds 4294967295 bytes and wrapped around";
    return std::nullopt;
  }
  return taskStackBytes(*task);
}

// Checks one start.
TaskStack checkStart(const Analysis& analysis, const PublicArrays& arrays,
                     const TaskStart& start) {
  TaskStack stack;
  stack.start = &start;
  std::string arrayProblem;
  stack.array = findStackArray(analysis, arrays, start, arrayProblem);
  if (stack.array != nullptr) {
    const ArrayDeclaration& array = *stack.array;
    const ArraySize size = arraySize(
        array.view(), analysis.declarations.optionBase1(array.module),
        [&analysis, &array](std::string_view name) {
          return analysis.declarations.constant(array.module, array.routine,
                                                name);
        });
    stack.arrayBytes = size.bytes;
    if (!size.bytes) {
      arrayProblem = "the size of " + array.name + " is not known: " +
                     size.problem;
    }
  }
  std::string needProblem;
  stack.neededBytes = neededBytes(start, needProblem);
  stack.needAtLeast = analysis.boundMode && start.task != nullptr &&
                      start.task->bound == BoundStatus::kAtLeast;
  if (stack.arrayBytes && stack.neededBytes) {
    if (*stack.arrayBytes < *stack.neededBytes) {
      stack.fit = StackFit::kTooSmall;
      return stack;
    }
    if (!stack.needAtLeast) {
      stack.fit = StackFit::kFits;
      return stack;
    }
    needProblem = "its need of at least " + decimal(*stack.neededBytes) +
                  " bytes is only a lower bound";
  }
  stack.problem = arrayProblem;
  if (!needProblem.empty()) {
    if (!stack.problem.empty()) stack.problem += "; ";
    stack.problem += needProblem;
  }
  // A bound continued over lines holds their line ends; the reason is one
  // line wherever it is shown.
  std::replace(stack.problem.begin(), stack.problem.end(), '\n', ' ');
  return stack;
}

// A warning about a task start's stack at `place` of the module at
// `module`.
void warnAt(Analysis& analysis, uint32_t module, Place place,
            WarningKind kind, std::string message) {
  const std::string file = module < analysis.modules.size()
                               ? analysis.modules[module].file
                               : std::string();
  analysis.warnings.add(WarningSource::kModule, module, file, place, kind,
                        std::move(message));
}

void warnAbout(Analysis& analysis, const TaskStack& stack) {
  const TaskStart& start = *stack.start;
  const std::string task = taskName(start);
  if (stack.fit == StackFit::kTooSmall) {
    const ArrayDeclaration& array = *stack.array;
    warnAt(analysis, array.module, array.place,
           WarningKind::kTaskStackTooSmall,
           array.name + " holds " + decimal(*stack.arrayBytes) +
               " bytes, but task " + task + ", started with it at " +
               placeText(analysis, start.module, start.place) + ", needs " +
               decimal(*stack.neededBytes));
  } else if (stack.fit == StackFit::kUnknown) {
    warnAt(analysis, start.module, start.place, WarningKind::kTaskStackUnknown,
           "the stack of task " + task + " cannot be checked: " +
               stack.problem);
  }
  if (stack.array != nullptr && stack.array->routine != nullptr &&
      stack.array->routine == start.routine) {
    const ArrayDeclaration& array = *stack.array;
    warnAt(analysis, array.module, array.place, WarningKind::kTaskStackLocal,
           array.name + " is a local variable of " +
               std::string(array.routine->fullName) + ", which starts task " +
               task + " with it: it is given back when " +
               std::string(array.routine->fullName) +
               " returns, while the task still runs");
  }
}

}  // namespace

std::string taskName(const TaskStart& start) {
  if (start.task != nullptr) return std::string(start.task->fullName);
  return start.written.empty() ? std::string("?") : start.written;
}

void checkTaskStacks(Analysis& analysis) {
  analysis.taskStacks.reserve(analysis.taskStarts.size());
  // The first task each array is the stack of, for the shared warnings.
  std::map<const ArrayDeclaration*, const TaskStart*> firstUse;
  const PublicArrays arrays = publicArraysByModule(analysis);
  for (const TaskStart& start : analysis.taskStarts) {
    analysis.taskStacks.push_back(checkStart(analysis, arrays, start));
    const TaskStack& stack = analysis.taskStacks.back();
    warnAbout(analysis, stack);
    if (stack.array == nullptr) continue;
    const auto [first, isNew] = firstUse.emplace(stack.array, &start);
    if (!isNew && taskName(*first->second) != taskName(start)) {
      warnAt(analysis, start.module, start.place,
             WarningKind::kTaskStackShared,
             stack.array->name + " is the stack of task " +
                 taskName(*first->second) + " too, started at " +
                 placeText(analysis, first->second->module,
                           first->second->place) +
                 "; two tasks on one array overwrite each other");
    }
  }
}

}  // namespace memtally
