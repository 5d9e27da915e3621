// The check of every task's stack array: does the byte array a calltask
// hands its task hold the bytes the task needs?
#ifndef MEMTALLY_ANALYSIS_TASK_STACKS_H_
#define MEMTALLY_ANALYSIS_TASK_STACKS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scan/project_declarations.h"
#include "scan/task_starts.h"

namespace memtally {

struct Analysis;

// What the check of one task start found.
enum class StackFit {
  kFits,       // the array holds at least what the task needs
  kTooSmall,   // the array holds less
  kUnknown,    // the array's size or the task's need is not known
};

// The check of one task start.
struct TaskStack {
  const TaskStart* start = nullptr;
  const ArrayDeclaration* array = nullptr;  // null when not found
  std::optional<uint32_t> arrayBytes;       // what the array holds
  std::optional<uint32_t> neededBytes;      // the task's total and 6
  // Bound mode: the need is only a lower bound. An array below it is too
  // small all the same; one that holds it cannot be checked.
  bool needAtLeast = false;
  StackFit fit = StackFit::kUnknown;
  std::string problem;  // why it cannot be checked; empty when it can

  // The bytes the array holds beyond the need; negative when too small.
  // Only for a start whose fit is known.
  int64_t spareBytes() const {
    return int64_t{*arrayBytes} - int64_t{*neededBytes};
  }
};

// The name a report shows for the task of `start`: its routine's full name,
// else the name as the calltask line writes it, quoted or not, else "?".
std::string taskName(const TaskStart& start);

// Checks every task start of the analysis, in order, into its taskStacks,
// and adds the warnings: an array too small, at its declaration; a start
// that cannot be checked, at the start; an array that is the stack of two
// different tasks, at the second start; a local array, at its declaration.
void checkTaskStacks(Analysis& analysis);

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_TASK_STACKS_H_
