#include "report/budget.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(BudgetTest, EstimateAboveTheBudgetAndUnknownEstimatesFail) {
  struct Case {
    std::optional<uint32_t> total;
    uint32_t budget;
    int status;
    std::string message;
    bool wrapped = false;
  };
  const Case cases[] = {
      {193, 194, 0, ""},
      {193, 193, 0, ""},
      {193, 192, 2,
       "Estimated RAM use of 193 bytes exceeds the budget of 192 bytes.\n"},
      {4294967295u, 1, 2,
       "Estimated RAM use of 4294967295 bytes exceeds the budget of 1 "
       "bytes.\n"},
      {0, 1, 0, ""},
      {std::nullopt, 400, 2,
       "Estimated RAM use unknown: the budget of 400 bytes cannot be "
       "checked.\n"},
      // A wrapped total fails the gate, however small it came out.
      {10, 100, 2,
       "Estimated RAM use of 10 bytes against the budget of 100 bytes cannot "
       "be checked: the estimate exceeds 4294967295 bytes and wrapped "
       "around.\n",
       true},
  };
  for (const Case& c : cases) {
    const BudgetVerdict verdict = judgeBudget(c.total, c.budget, c.wrapped);
    EXPECT_EQ(verdict.status, c.status) << c.budget;
    EXPECT_EQ(verdict.message, c.message) << c.budget;
  }
}

}  // namespace
}  // namespace memtally
