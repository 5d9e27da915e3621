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

BudgetVerdict judgeBudget(const Analysis* analysis, uint32_t budget) {
  if (analysis == nullptr) return judgeBudget(std::nullopt, budget);
  return judgeBudget(printedTotal(*analysis), budget,
                     estimateWrapped(*analysis));
}

}  // namespace memtally
