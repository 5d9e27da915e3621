#include "report/text_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "base/options.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

std::vector<std::string> callNames(const RoutineEntry& entry) {
  std::vector<std::string> names;
  if (entry.calls == nullptr) return names;
  for (const RoutineEntry* callee : entry.calls->items) {
    names.emplace_back(callee->fullName);
  }
  return names;
}

// The listings sort what they show; the table they show it from must stay
// as the analysis left it, so that a lookup after them still finds the
// routine it means and the call lists keep the order they were recorded in.
TEST(TextReportTest, ListingsLeaveTheTableAsTheyFoundIt) {
  MemoryFileSystem files;
  files.add("P.bxp", "Zed.bas\nAlpha.bas\n");
  files.add("Zed.bas",
            "Sub Main()\n  Small\n  Big\n  Init\nEnd Sub\n"
            "Sub Init()\nEnd Sub\nSub Small()\nEnd Sub\n");
  files.add("Alpha.bas", "Sub Big()\nEnd Sub\nSub Init()\nEnd Sub\n");
  files.add("P.mpp",
            "RAM allocated: 0\nFORMAL PARAMETERS\n"
            "1 40 Alpha.Big.x\nLOCAL VARIABLES\nCODE MEMORY\n");
  QuietProgress quiet;
  const std::optional<Analysis> analysis = analyzeProject(
      files, quiet, testing::fixedTime, {"P", std::nullopt, OPT_CALLERS});
  ASSERT_TRUE(analysis.has_value());
  const RoutineTable& table = *analysis->table;
  const std::vector<RoutineEntry*> before = table.entries;
  const RoutineEntry& main = *findCalledRoutine(table, "Zed", "Main");
  const std::vector<std::string> calls = callNames(main);
  EXPECT_EQ(calls, (std::vector<std::string>{"Zed.Small", "Alpha.Big",
                                             "Zed.Init"}));

  StringConsole console;
  writeTextReport(console, *analysis, OPT_DETAIL | OPT_UNUSED | OPT_CALLERS,
                  true);
  // The detailed listing shows the callees by total, the callers listing
  // follows the unused listing's full-name order.
  const std::string& out = console.stdoutText();
  EXPECT_LT(out.find("  Alpha.Big "), out.find("  Zed.Init "));
  EXPECT_LT(out.find("\nAlpha.Init\n"), out.find("\nZed.Init\n"));

  EXPECT_EQ(table.entries, before);
  EXPECT_EQ(callNames(main), calls);
  for (const RoutineEntry* entry : table.entries) {
    EXPECT_EQ(findCalledRoutine(table, entry->moduleName(),
                                entry->routineName()),
              entry)
        << entry->fullName;
  }
}

}  // namespace
}  // namespace memtally
