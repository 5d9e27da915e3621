// The --dot call graph: what it draws, and that Graphviz renders it without a
// word of complaint whatever the names hold.
#include "report/dot_report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/memory_run.h"
#include "support/run_tool.h"

namespace memtally {
namespace {

// Main calls Show, which calls itself, and Fetch; the task Poll calls Fetch,
// which calls Poll back. Only the map names the oddly named routine.
constexpr char kModule[] =
    "Sub Main()\n  Call Show\n  CallTask \"Poll\", S\nEnd Sub\n"
    "Sub Show()\n  Call Show\n  Call Fetch\nEnd Sub\n"
    "Sub Poll()\n  Call Fetch\nEnd Sub\n"
    "Sub Fetch()\n  Call Poll\nEnd Sub\n"
    "Sub Spare()\nEnd Sub\n";
constexpr char kMap[] =
    "RAM allocated: 8\nFORMAL PARAMETERS\n 1 2 A.Fetch.x\n"
    " 1 1 Q\"uo\\te\\.N\xe9\"w\\.z\nLOCAL VARIABLES\nCODE MEMORY\n";

std::string graphOf(const std::vector<std::string>& args) {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\n");
  files.add("A.bas", kModule);
  files.add("P.mpp", kMap);
  const testing::MemoryRun run = testing::runInMemory(args, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  return run.out;
}

TEST(DotReportTest, ReachedRoutinesInModuleClustersWithChainsAndCutCalls) {
  const std::string graph = graphOf({"--dot", "P"});
  // Poll, a task, is computed first and meets itself through Fetch; Main's
  // chain goes through Show, which calls itself, to Fetch.
  EXPECT_EQ(graph,
            "digraph memtally {\n"
            "  label=\"P.bxp: estimate 43 bytes\";\n"
            "  labelloc=t;\n"
            "  node [shape=box];\n"
            "  subgraph cluster_m1 {\n"
            "    label=\"A.bas\";\n"
            "    r1 [label=\"Fetch\\n11 bytes\"];\n"
            "    r2 [label=\"Main\\n35 bytes\", style=bold];\n"
            "    r4 [label=\"Poll\\n20 bytes\\ntask stack 26 bytes\\narray S: "
            "unchecked\", peripheries=2];\n"
            "    r5 [label=\"Show\\n20 bytes\"];\n"
            "  }\n"
            "  r1 -> r4 [style=dashed, label=\"0\"];\n"
            "  r2 -> r5 [color=red, penwidth=2.5];\n"
            "  r4 -> r1 [color=red, penwidth=2.5];\n"
            "  r5 -> r5 [style=dashed, label=\"0\"];\n"
            "  r5 -> r1 [color=red, penwidth=2.5];\n"
            "}\n");
}

TEST(DotReportTest, WithUnusedTheOthersAreDrawnGreyAndNamesEscaped) {
  const std::string graph = graphOf({"-u", "--dot", "P"});
  EXPECT_NE(graph.find("  subgraph cluster_m2 {\n    label=\"P.mpp\";\n"
                       "    r3 [label=\"Q\\\"uo\\\\te\\\\.N\xc3\xa9\\\"w\\\\"
                       "\\nnot reached\", color=grey, fontcolor=grey];\n  }\n"),
            std::string::npos)
      << graph;
  EXPECT_NE(graph.find("    r6 [label=\"Spare\\nnot reached\", color=grey, "
                       "fontcolor=grey];\n"),
            std::string::npos)
      << graph;
}

// Main calls Digits, which calls itself, Ping, which calls Pong of another
// module and back, and Blink, which calls the external Delay.
MemoryFileSystem boundProject() {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\nB.bas\n");
  files.add("A.bas",
            "Sub Main()\n  Call Digits(1)\n  Call Ping\n  Call Blink\n"
            "End Sub\n"
            "Sub Digits(ByVal N As Integer)\n  Call Digits(N)\nEnd Sub\n"
            "Sub Ping()\n  Call Pong\nEnd Sub\n"
            "Sub Blink()\nEnd Sub\n");
  files.add("B.bas", "Sub Pong()\n  Call Ping\nEnd Sub\n");
  files.add("P.mpp",
            "RAM allocated: 0\nFORMAL PARAMETERS\n 1 2 A.Digits.N\n"
            "LOCAL VARIABLES\nCODE MEMORY\n");
  files.add("P.mta",
            "recursion A.Digits 3\ncalls A.Blink Delay\nstack Delay 40\n"
            "calls A.Ping PutPin\n");
  return files;
}

// Bound mode: lower bounds dashed and said, each recursion a cluster (in
// its module's when it has one), external routines as rounded nodes, and
// the chain red up to the external routine that ends it.
TEST(DotReportTest, BoundModeDrawsBoundsRecursionsAndExternalRoutines) {
  MemoryFileSystem files = boundProject();
  const testing::MemoryRun run =
      testing::runInMemory({"--bound", "--dot", "P"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "digraph memtally {\n"
            "  label=\"P.bxp: estimate at least 64 bytes\";\n"
            "  labelloc=t;\n"
            "  node [shape=box];\n"
            "  subgraph cluster_m1 {\n"
            "    label=\"A.bas\";\n"
            "    r1 [label=\"Blink\\n49 bytes\"];\n"
            "    r3 [label=\"Main\\nat least 64 bytes\", "
            "style=\"bold,dashed\"];\n"
            "    subgraph cluster_recursion_1 {\n"
            "      label=\"recursion, depth 3\";\n"
            "      r2 [label=\"Digits\\n33 bytes\"];\n"
            "    }\n"
            "  }\n"
            "  subgraph cluster_recursion_2 {\n"
            "    label=\"recursion, depth unknown\";\n"
            "    style=dashed;\n"
            "    r4 [label=\"A.Ping\\nat least 9 bytes\", style=dashed];\n"
            "    r5 [label=\"B.Pong\\nat least 9 bytes\", style=dashed];\n"
            "  }\n"
            "  x1 [label=\"Delay\\n40 bytes\", style=\"rounded,dashed\"];\n"
            "  x2 [label=\"PutPin\\nsize unknown\", "
            "style=\"rounded,dashed\"];\n"
            "  r2 -> r2;\n"
            "  r3 -> r2;\n"
            "  r3 -> r4;\n"
            "  r3 -> r1 [color=red, penwidth=2.5];\n"
            "  r4 -> r5;\n"
            "  r5 -> r4;\n"
            "  r1 -> x1 [color=red, penwidth=2.5];\n"
            "  r4 -> x2;\n"
            "}\n");
}

TEST(DotReportTest, GraphvizRendersOddNamesCyclesAndTasksWithoutWarnings) {
  const char* dot = MEMTALLY_DOT_PATH;
  if (std::string(dot).find("NOTFOUND") != std::string::npos) {
    if (std::getenv("MEMTALLY_REQUIRE_DOCUMENT_TOOLS") != nullptr) {
      FAIL() << "dot is needed";
    }
    GTEST_SKIP() << "dot is not installed";
  }
  testing::TempDir dir;
  // Module files whose names hold a quote, a backslash and a byte above 0x7F.
  const std::string odd =
      "src/We\"ird\\M\xf6"
      "d.bas";
  dir.write("P.bxp", "A.bas\n" + odd + "\n");
  dir.write("A.bas", kModule);
  dir.write(odd, "Sub Main2()\n  Call Show\nEnd Sub\nSub Helper()\nEnd Sub\n");
  dir.write("P.mpp", kMap);
  const testing::ToolRun run =
      testing::runTool({"--dot", "-u", "P"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  dir.write("graph.dot", run.out);
  const std::string command = std::string(dot) + " -Tsvg '" +
                              (dir.path() / "graph.dot").string() + "' -o '" +
                              (dir.path() / "graph.svg").string() + "' 2> '" +
                              (dir.path() / "dot.err").string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(std::filesystem::file_size(dir.path() / "dot.err"), 0u);
  EXPECT_GT(std::filesystem::file_size(dir.path() / "graph.svg"), 0u);
}

}  // namespace
}  // namespace memtally
