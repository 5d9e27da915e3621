// The verdict of --budget: does the estimate fit the RAM the application may
// use?
#ifndef MEMTALLY_REPORT_BUDGET_H_
#define MEMTALLY_REPORT_BUDGET_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"

namespace memtally {

// Exit status of a run whose estimate exceeds its budget, or whose budget
// could not be checked because no estimate was printed.
inline constexpr int kOverBudgetStatus = 2;

// What a budget check prints on standard error (nothing when the estimate
// fits) and the exit status it asks for (0 when it fits).
struct BudgetVerdict {
  std::string message;  // about the estimate
  int status = 0;
  // Why the estimate could not be compared with the budget; empty when it
  // was.
  std::string cannotCheck;
  // One line for every task start whose stack array is too small or cannot
  // be checked, in order.
  std::vector<Message> tasks;
};

// Judges the printed total of the estimate, none when no estimate was
// printed, against a budget of `budget` bytes. A total that `wrapped`
// around on its way says nothing about the real one and cannot be checked.
BudgetVerdict judgeBudget(std::optional<uint32_t> printedTotal,
                          uint32_t budget, bool wrapped = false);

// Judges the estimate of `analysis` (null: no analysis ran) against a
// budget of `budget` bytes, and every task start's stack: the gate passes
// only when the estimate fits and every task's array is shown to hold what
// the task needs.
BudgetVerdict judgeBudget(const Analysis* analysis, uint32_t budget);

}  // namespace memtally

#endif  // MEMTALLY_REPORT_BUDGET_H_
