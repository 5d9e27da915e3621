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
