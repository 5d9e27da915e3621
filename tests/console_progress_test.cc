#include "report/console_progress.h"

#include <gtest/gtest.h>

#include "support/memory_run.h"

namespace memtally {
namespace {

// The same events told to both kinds of progress: the text report shows
// them all where they belong, a document run only the messages.
TEST(ConsoleProgressTest, ReportShowsEveryEventDocumentOnlyTheMessages) {
  StringConsole report;
  StringConsole document;
  ReportProgress reportProgress(report);
  DocumentProgress documentProgress(document);
  Progress* const both[] = {&reportProgress, &documentProgress};
  for (Progress* progress : both) {
    progress->projectOpened("P.bxp", testing::fixedTime());
    progress->scanningModule("A.bas");
    progress->moduleMissing("Gone.bas");
    progress->message({MessageKind::kTopNotFound, "No public main() sub found.\n"});
  }
  EXPECT_EQ(report.bothText(),
            std::string("Analyzing project \"P.bxp\", ") + testing::kFixedStamp +
                "  Module: \"A.bas\"\n"
                "Can't open the BasicX module \"Gone.bas\".\n"
                "No public main() sub found.\n");
  EXPECT_EQ(report.stderrText(),
            "Can't open the BasicX module \"Gone.bas\".\n"
            "No public main() sub found.\n");
  EXPECT_EQ(document.stdoutText(), "");
  EXPECT_EQ(document.stderrText(), report.stderrText());
}

}  // namespace
}  // namespace memtally
