// The deepest call chains that --path prints after the estimate.
#include "report/chain_listing.h"

#include <gtest/gtest.h>

#include <optional>
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

// The report after the module lines of a run of the module Prog.bas, with
// the annotation file Prog.mta when `annotations` is given.
std::string reportOf(const std::string& module,
                     const std::vector<std::string>& args,
                     const std::string& map = kCycleMap,
                     const std::optional<std::string>& annotations = {}) {
  MemoryFileSystem files;
  files.add("Prog.bxp", "Prog.bas\n");
  files.add("Prog.bas", module);
  files.add("Prog.mpp", map);
  if (annotations) files.add("Prog.mta", *annotations);
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

// Bound mode: a recursion is one step of depth x largest frame, a routine
// whose stack annotation is its total ends the chain, and so does an
// external routine whose annotated size gave the last callee bytes; the
// steps add up to the heading's total.
TEST(ChainListingTest, BoundModeStepsAddUpToTheTotal) {
  // Main calls Digits (params 2), which calls itself and Put (params 1).
  const std::string digits =
      "Sub Main()\n  Call Digits(1)\nEnd Sub\n"
      "Sub Digits(ByVal N As Integer)\n  Call Digits(N)\n  Call Put(1)\n"
      "End Sub\n"
      "Sub Put(ByVal B As Byte)\nEnd Sub\n";
  const std::string digitsMap =
      "RAM allocated: 1\nFORMAL PARAMETERS\n 1 2 Prog.Digits.N\n"
      " 1 1 Prog.Put.B\nLOCAL VARIABLES\nCODE MEMORY\n";
  // Main calls Parse, which calls Leaf; Blink calls nothing the project
  // defines.
  const std::string parse =
      "Sub Main()\n  Call Parse\n  Call Blink\nEnd Sub\n"
      "Sub Parse()\n  Call Leaf\nEnd Sub\n"
      "Sub Leaf()\nEnd Sub\nSub Blink()\nEnd Sub\n";
  const std::string parseMap =
      "RAM allocated: 1\nFORMAL PARAMETERS\n 1 4 Prog.Leaf.x\n"
      "LOCAL VARIABLES\nCODE MEMORY\n";
  // Main calls itself.
  const std::string selfMain = "Sub Main()\n  Call Main\nEnd Sub\n";
  const std::string selfMainMap =
      "RAM allocated: 1\nFORMAL PARAMETERS\nLOCAL VARIABLES\n"
      " 1 10 Prog.Main.x\nCODE MEMORY\n";
  // Watch, a task, calls Main: main counts as a call there.
  const std::string watch =
      "Sub Main()\n    Call Leaf\nEnd Sub\n"
      "Sub Leaf()\nEnd Sub\n"
      "Sub Watch()\n    Call Main\nEnd Sub\n"
      "Sub Starter()\n    CallTask \"Watch\", S\nEnd Sub\n";
  const std::string watchMap =
      "RAM allocated: 7\nFORMAL PARAMETERS\n 1 2 Prog.Leaf.x\n"
      "LOCAL VARIABLES\n 1 5 Prog.Main.y\nCODE MEMORY\n";
  struct Case {
    const char* name;
    std::string module;
    std::string map;
    std::string annotations;
    std::string chains;
  };
  const Case cases[] = {
      {"a self-recursion with a depth", digits, digitsMap,
       "recursion Prog.Digits 4\n",
       "Deepest call chain from Prog.Main (69 bytes):\n"
       "  Prog.Main                           15 + 0 + 0 = 15\n"
       "  Prog.Digits (recursion)              4 x 11 = 44\n"
       "  Prog.Put                             9 + 1 + 0 = 10\n"},
      {"a self-recursion without a depth", digits, digitsMap, "",
       "Deepest call chain from Prog.Main (at least 36 bytes):\n"
       "  Prog.Main                           15 + 0 + 0 = 15\n"
       "  Prog.Digits (recursion)              1 x 11 = 11  (depth unknown: "
       "counted once)\n"
       "  Prog.Put                             9 + 1 + 0 = 10\n"},
      {"a recursion of two, entered at A", kCycle, kCycleMap,
       "recursion Prog.B 5\n",
       "Deepest call chain from Prog.Main (100 bytes):\n"
       "  Prog.Main                           15 + 0 + 10 = 25\n"
       "  Prog.A (recursion)                   5 x 15 = 75\n"
       "    of Prog.A, Prog.B\n"},
      {"a stack annotation and an external routine", parse, parseMap,
       "stack Prog.Parse 80\ncalls Prog.Blink Delay\nstack Delay 12\n",
       "Deepest call chain from Prog.Main (95 bytes):\n"
       "  Prog.Main                           15 + 0 + 0 = 15\n"
       "  Prog.Parse                          80 (stack annotation)\n"},
      {"an external routine larger than the rest", parse, parseMap,
       "calls Prog.Blink Delay\nstack Delay 120\n",
       "Deepest call chain from Prog.Main (144 bytes):\n"
       "  Prog.Main                           15 + 0 + 0 = 15\n"
       "  Prog.Blink                           9 + 0 + 0 = 9\n"
       "  Delay                               120 (outside the project, "
       "annotated)\n"},
      {"an external routine without a size", parse, parseMap,
       "calls Prog.Leaf Delay\n",
       "Deepest call chain from Prog.Main (at least 37 bytes):\n"
       "  Prog.Main                           15 + 0 + 0 = 15\n"
       "  Prog.Parse                           9 + 0 + 0 = 9\n"
       "  Prog.Leaf                            9 + 4 + 0 = 13\n"},
      {"main in a recursion", selfMain, selfMainMap,
       "recursion Prog.Main 2\n",
       "Deepest call chain from Prog.Main (44 bytes):\n"
       "  Prog.Main (recursion)                2 x 19 + 6 = 44\n"},
      {"main stack-annotated", parse, parseMap, "stack Prog.Main 50\n",
       "Deepest call chain from Prog.Main (56 bytes):\n"
       "  Prog.Main                           50 + 6 = 56 (stack "
       "annotation)\n"},
      {"a task reaching main", watch, watchMap, "",
       "Deepest call chain from Prog.Main (31 bytes):\n"
       "  Prog.Main                           15 + 0 + 5 = 20\n"
       "  Prog.Leaf                            9 + 2 + 0 = 11\n"
       "\n"
       "Deepest call chain from Prog.Watch (34 bytes):\n"
       "  Prog.Watch                           9 + 0 + 0 = 9\n"
       "  Prog.Main                            9 + 0 + 5 = 14\n"
       "  Prog.Leaf                            9 + 2 + 0 = 11\n"},
  };
  for (const Case& c : cases) {
    const std::string report =
        reportOf(c.module, {"--bound", "--path", "Prog"}, c.map, c.annotations);
    // The bound line follows the total line; the chains follow it.
    const std::string chains = chainsOf(report);
    EXPECT_EQ(chains.substr(chains.find('\n') + 1), "\n" + c.chains)
        << c.name;
  }
}

TEST(ChainListingTest, BoundModeNamesAFewMembersOfALargeRecursion) {
  // R1 calls R2, ..., R5 calls R1 again.
  std::string module = "Sub Main()\n  Call R1\nEnd Sub\n";
  for (int i = 1; i <= 5; ++i) {
    module += "Sub R" + std::to_string(i) + "()\n  Call R" +
              std::to_string(i % 5 + 1) + "\nEnd Sub\n";
  }
  const std::string chains = chainsOf(
      reportOf(module, {"--bound", "--path", "Prog"}, "RAM allocated: 1\n"));
  EXPECT_NE(chains.find("  Prog.R1 (recursion)                  1 x 9 = 9  "
                        "(depth unknown: counted once)\n"
                        "    of Prog.R1, Prog.R2, Prog.R3 and 2 more\n"),
            std::string::npos)
      << chains;
}

}  // namespace
}  // namespace memtally
