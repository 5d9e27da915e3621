// The deepest call chains that --path prints after the estimate.
#include "report/chain_listing.h"

#include <gtest/gtest.h>

#include <string>

#include "support/memory_run.h"

namespace memtally {
namespace {

// Main calls A, A calls B and B calls A again; T, when there, is a task
// that calls B.
constexpr char kCycle[] =
    "Public Sub Main()\n"
    "    Call A(1, 2)\n"
    "End Sub\n"
    "Public Sub A(ByVal X As Byte, ByVal Y As Byte)\n"
    "    Call B(X)\n"
    "End Sub\n"
    "Public Sub B(ByVal Z As Byte)\n"
    "    Call A(Z, Z)\n"
    "End Sub\n";

constexpr char kCycleMap[] =
    "RAM allocated: 120 bytes\n"
    "FORMAL PARAMETERS\n"
    "      400     1  Prog.A.X\n"
    "      401     1  Prog.A.Y\n"
    "      402     1  Prog.B.Z\n"
    "LOCAL VARIABLES\n"
    "      403    10  Prog.Main.Buffer\n"
    "      413     4  Prog.A.Count\n"
    "      417     3  Prog.B.Temp\n"
    "CODE MEMORY\n";

// The report after the module lines of a run of the module Prog.bas.
std::string reportOf(const std::string& module,
                     const std::vector<std::string>& args,
                     const std::string& map = kCycleMap) {
  MemoryFileSystem files;
  files.add("Prog.bxp", "Prog.bas\n");
  files.add("Prog.bas", module);
  files.add("Prog.mpp", map);
  const testing::MemoryRun run = testing::runInMemory(args, files);
  EXPECT_EQ(run.status, 0);
  const std::string lines = "  Module: \"Prog.bas\"\n";
  const size_t start = run.out.find(lines);
  return start == std::string::npos ? run.out
                                    : run.out.substr(start + lines.size());
}

// The chains of a report: what follows the estimate's total line.
std::string chainsOf(const std::string& report) {
  const std::string total = "\n                   Total: ";
  const size_t at = report.find(total);
  if (at == std::string::npos) return report;
  return report.substr(report.find('\n', at + 1) + 1);
}

TEST(ChainListingTest, CycleEnteredFromMainShowsTheWholeCycleOnce) {
  EXPECT_EQ(chainsOf(reportOf(kCycle, {"--path", "Prog"})),
            "\n"
            "Deepest call chain from Prog.Main (53 bytes):\n"
            "  Prog.Main                           15 + 0 + 10 = 25\n"
            "  Prog.A                               9 + 2 + 4 = 15\n"
            "  Prog.B                               9 + 1 + 3 = 13\n");
}

TEST(ChainListingTest, TaskEnteringTheCycleFirstShortensMainsChain) {
  const std::string module = std::string(kCycle) +
                             "Public Sub T()\n"
                             "    Call B(3)\n"
                             "End Sub\n";
  std::string withTask = module;
  withTask.replace(withTask.find("    Call A(1, 2)\n"), 0,
                   "    CallTask \"T\", TStack\n");
  EXPECT_EQ(chainsOf(reportOf(withTask, {"--path", "Prog"})),
            "\n"
            "Deepest call chain from Prog.Main (40 bytes):\n"
            "  Prog.Main                           15 + 0 + 10 = 25\n"
            "  Prog.A                               9 + 2 + 4 = 15\n"
            "\n"
            "Deepest call chain from Prog.T (37 bytes):\n"
            "  Prog.T                               9 + 0 + 0 = 9\n"
            "  Prog.B                               9 + 1 + 3 = 13\n"
            "  Prog.A                               9 + 2 + 4 = 15\n");
}

TEST(ChainListingTest, TaskThatReachesMainGivesItTheOverheadOfACallee) {
  const std::string module =
      "Sub Main()\n    Call Leaf\nEnd Sub\n"
      "Sub Leaf()\nEnd Sub\n"
      "Sub Watch()\n    Call Main\nEnd Sub\n"
      "Sub Starter()\n    CallTask \"Watch\", S\nEnd Sub\n";
  const std::string map =
      "RAM allocated: 7\nFORMAL PARAMETERS\n 1 2 Prog.Leaf.x\n"
      "LOCAL VARIABLES\n 1 5 Prog.Main.y\nCODE MEMORY\n";
  EXPECT_EQ(chainsOf(reportOf(module, {"--path", "Prog"}, map)),
            "\n"
            "Deepest call chain from Prog.Main (25 bytes):\n"
            "  Prog.Main                            9 + 0 + 5 = 14\n"
            "  Prog.Leaf                            9 + 2 + 0 = 11\n"
            "\n"
            "Deepest call chain from Prog.Watch (34 bytes):\n"
            "  Prog.Watch                           9 + 0 + 0 = 9\n"
            "  Prog.Main                            9 + 0 + 5 = 14\n"
            "  Prog.Leaf                            9 + 2 + 0 = 11\n");
}

TEST(ChainListingTest, LongNamesAreNeverCutAndPushTheFiguresRight) {
  const std::string name(40, 'N');
  const std::string module = "Sub Main()\n    Call " + name +
                             "\nEnd Sub\n"
                             "Sub " +
                             name + "()\nEnd Sub\n";
  // The overhead keeps its two columns after the one blank.
  EXPECT_EQ(chainsOf(reportOf(module, {"--path", "-t", "main", "Prog"},
                              "RAM allocated: 1\n")),
            "\n"
            "Deepest call chain from Prog.Main (24 bytes):\n"
            "  Prog.Main                           15 + 0 + 0 = 15\n"
            "  Prog." +
                name + "  9 + 0 + 0 = 9\n");
}

TEST(ChainListingTest, ChainsComeBeforeTheListingsAndOnlyWithAnEstimate) {
  const std::string report = reportOf(kCycle, {"-d", "-c", "--path", "Prog"});
  const size_t chain = report.find("Deepest call chain from Prog.Main");
  const size_t detail = report.find("Detailed Analysis");
  ASSERT_NE(chain, std::string::npos);
  ASSERT_NE(detail, std::string::npos);
  EXPECT_LT(chain, detail);
  // The listings are those of the same run without --path.
  const std::string plain = reportOf(kCycle, {"-d", "-c", "Prog"});
  EXPECT_EQ(report.substr(report.find("\n\n                       Detailed")),
            plain.substr(plain.find("\n\n                       Detailed")));

  EXPECT_EQ(reportOf(kCycle, {"--path", "-tNone", "Prog"}), "");
}

}  // namespace
}  // namespace memtally
