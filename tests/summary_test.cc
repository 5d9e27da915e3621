#include "report/summary.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

RoutineEntry computedEntry(uint32_t flags, uint32_t overhead, uint32_t params,
                           uint32_t locals, uint32_t callees) {
  RoutineEntry entry;
  entry.flags = flags;
  entry.invocationOverhead = overhead;
  entry.paramBytes = params;
  entry.localBytes = locals;
  entry.calleeBytes = callees;
  entry.totalBytes = overhead + params + locals + callees;
  return entry;
}

std::string summaryOf(const RoutineEntry& top, bool applicationMode,
                      std::string_view target, uint32_t staticRam) {
  StringConsole console;
  printSummary(console, top, top.totalBytes, applicationMode, target,
               staticRam);
  EXPECT_EQ(console.stderrText(), "");
  return console.stdoutText();
}

TEST(SummaryTest, ApplicationAddsStaticRamToTheTotal) {
  const RoutineEntry main = computedEntry(ROUTINE_DEFINED, 15, 0, 10, 28);
  EXPECT_EQ(summaryOf(main, true, "main", 120),
            "\n"
            "Estimate of application RAM use:\n"
            "     Invocation overhead:   15\n"
            "       Passed parameters:    0\n"
            "         Local variables:   10\n"
            "  Invoked functions/subs:   28\n"
            "        Static variables:  120\n"
            "                          ----\n"
            "                   Total:  173\n");
}

TEST(SummaryTest, TargetHeadingNamesItsKindAndTheTypedName) {
  struct Case {
    uint32_t flags;
    const char* target;
    const char* heading;
  };
  const Case cases[] = {
      {ROUTINE_DEFINED, "Blink", "Estimate of sub\tBlink RAM use:\n"},
      {ROUTINE_DEFINED | ROUTINE_FUNCTION | ROUTINE_PRIVATE, "readSENSOR",
       "Estimate of function\treadSENSOR RAM use:\n"},
      {ROUTINE_DEFINED, "MAIN", "Estimate of sub\tMAIN RAM use:\n"},
  };
  for (const Case& c : cases) {
    const RoutineEntry top = computedEntry(c.flags, 9, 3, 4, 0);
    EXPECT_EQ(summaryOf(top, false, c.target, 120),
              std::string("\n") + c.heading +
                  "     Invocation overhead:    9\n"
                  "       Passed parameters:    3\n"
                  "         Local variables:    4\n"
                  "  Invoked functions/subs:    0\n"
                  "                          ----\n"
                  "                   Total:   16\n");
  }
}

TEST(SummaryTest, WideNumbersPushOnlyTheirOwnLine) {
  const RoutineEntry top = computedEntry(0, 15, 65536, 0, 123456);
  EXPECT_EQ(summaryOf(top, true, "main", 7),
            "\n"
            "Estimate of application RAM use:\n"
            "     Invocation overhead:   15\n"
            "       Passed parameters: 65536\n"
            "         Local variables:    0\n"
            "  Invoked functions/subs: 123456\n"
            "        Static variables:    7\n"
            "                          ----\n"
            "                   Total: 189014\n");
}

TEST(SummaryTest, TotalWithStaticRamWrapsAroundInThirtyTwoBits) {
  const RoutineEntry top = computedEntry(0, 15, 0, 0, 0);
  const std::string text = summaryOf(top, true, "main", 0xFFFFFFF5u);
  EXPECT_NE(text.find("        Static variables: 4294967285\n"),
            std::string::npos);
  EXPECT_NE(text.find("                   Total:    4\n"), std::string::npos);
}

}  // namespace
}  // namespace memtally
