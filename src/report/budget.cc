#include "report/budget.h"

#include "base/format.h"

namespace memtally {

BudgetVerdict judgeBudget(std::optional<uint32_t> printedTotal,
                          uint32_t budget, bool wrapped) {
  if (!printedTotal) {
    return {"Estimated RAM use unknown: the budget of " + decimal(budget) +
                " bytes cannot be checked.\n",
            kOverBudgetStatus, "no estimate was made"};
  }
  if (wrapped) {
    return {"Estimated RAM use of " + decimal(*printedTotal) +
                " bytes against the budget of " + decimal(budget) +
                " bytes cannot be checked: the estimate exceeds 4294967295 "
                "bytes and wrapped around.\n",
            kOverBudgetStatus,
            "the estimate exceeds 4294967295 bytes and wrapped around"};
  }
  if (*printedTotal <= budget) return {};
  return {"Estimated RAM use of " + decimal(*printedTotal) +
              " bytes exceeds the budget of " + decimal(budget) + " bytes.\n",
          kOverBudgetStatus, ""};
}

namespace {

// The line of a task start that does not pass the gate.
Message taskVerdict(const TaskStack& stack) {
  const std::string task = taskName(*stack.start);
  if (stack.fit == StackFit::kTooSmall) {
    return {MessageKind::kTaskStackTooSmall,
            "Task " + task + " needs " + (stack.needAtLeast ? "at least " : "") +
                decimal(*stack.neededBytes) +
                " bytes of stack, but " + stack.array->name + " holds " +
                decimal(*stack.arrayBytes) + " bytes.\n"};
  }
  return {MessageKind::kTaskStackUnchecked,
          "The stack of task " + task + " cannot be checked: " +
              stack.problem + ".\n"};
}

// True when the estimate of a bound-mode analysis is only a lower bound.
bool onlyLowerBound(const Analysis& analysis) {
  return analysis.boundMode && analysis.top != nullptr &&
         analysis.top->bound == BoundStatus::kAtLeast;
}

// The verdict on a lower bound: over the budget when even it exceeds the
// budget, else not known.
BudgetVerdict judgeLowerBound(uint32_t total, uint32_t budget) {
  if (total > budget) {
    return {"Estimated RAM use of at least " + decimal(total) +
                " bytes exceeds the budget of " + decimal(budget) +
                " bytes.\n",
            kOverBudgetStatus, ""};
  }
  return {"Estimated RAM use of at least " + decimal(total) +
              " bytes against the budget of " + decimal(budget) +
              " bytes cannot be checked: the estimate is only a lower bound "
              "(--check names what it cannot see).\n",
          kOverBudgetStatus, "the estimate is only a lower bound"};
}

}  // namespace

BudgetVerdict judgeBudget(const Analysis* analysis, uint32_t budget) {
  if (analysis == nullptr) return judgeBudget(std::nullopt, budget);
  const bool wrapped = estimateWrapped(*analysis);
  BudgetVerdict verdict =
      onlyLowerBound(*analysis) && !wrapped
          ? judgeLowerBound(*printedTotal(*analysis), budget)
          : judgeBudget(printedTotal(*analysis), budget, wrapped);
  for (const TaskStack& stack : analysis->taskStacks) {
    if (stack.fit == StackFit::kFits) continue;
    verdict.tasks.push_back(taskVerdict(stack));
    verdict.status = kOverBudgetStatus;
  }
  return verdict;
}

}  // namespace memtally
