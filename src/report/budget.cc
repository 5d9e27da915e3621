#include "report/budget.h"

#include "base/format.h"

namespace memtally {

BudgetVerdict judgeBudget(std::optional<uint32_t> printedTotal,
                          uint32_t budget) {
  if (!printedTotal) {
    return {"Estimated RAM use unknown: the budget of " + decimal(budget) +
                " bytes cannot be checked.\n",
            kOverBudgetStatus};
  }
  if (*printedTotal <= budget) return {};
  return {"Estimated RAM use of " + decimal(*printedTotal) +
              " bytes exceeds the budget of " + decimal(budget) + " bytes.\n",
          kOverBudgetStatus};
}

}  // namespace memtally
