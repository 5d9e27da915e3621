// The --json document: what it holds beside the text report, and the rules
// of a run that writes a document.
#include "report/json_report.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/pipeline.h"
#include "base/utf8.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

using testing::MemoryRun;

MemoryFileSystem project(const std::string& module, const std::string& map) {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\nGone.bas\n");
  files.add("A.bas", module);
  files.add("P.mpp", map);
  return files;
}

constexpr char kModule[] =
    "Sub Main()\n  Call Helper\n  Call Main\nEnd Sub\n"
    "Private Function Helper()\n  CallTask \"Worker\", S\nEnd Function\n"
    "Sub Worker()\nEnd Sub\n";
constexpr char kMap[] =
    "RAM allocated: 20\nFORMAL PARAMETERS\n 1 3 A.Helper.x\n"
    " 1 4 A.Caf\xe9.y\nLOCAL VARIABLES\nCODE MEMORY\n";

TEST(JsonReportTest, DocumentAloneOnStandardOutputWithEveryNameWhole) {
  MemoryFileSystem files = project(kModule, kMap);
  const MemoryRun run = testing::runInMemory({"--json", "-u", "P"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("{\n  \"$schema\": \"", 0), 0u) << run.out;
  EXPECT_TRUE(isValidUtf8(run.out));
  EXPECT_EQ(run.err,
            "Can't open the BasicX module \"Gone.bas\".\n"
            "Can't open the BasicX module \"Gone.bas\".\n");
  for (const char* expected : {
           "\"analyzed\": \"2026-12-09T07:05:03+00:00\"",
           "{\n      \"file\": \"Gone.bas\",\n      \"name\": \"Gone\",\n"
           "      \"opened\": false\n    }",
           // A byte that is not UTF-8 reads as Latin-1.
           "\"name\": \"A.Caf\xc3\xa9\"",
           "\"kind\": \"function\",\n      \"private\": true",
           "\"calls\": [\"A.Helper\", \"A.Main\"],\n"
           "      \"cutCalls\": [\"A.Main\"]",
           "\"file\": null,\n      \"line\": null",
           "\"tasks\": [\n    {\n      \"routine\": \"A.Worker\",\n"
           "      \"stackBytes\": 15\n    }\n  ]",
           "\"unused\": [\n    \"A.Caf\xc3\xa9\"\n  ]",
           "\"kind\": \"recursion\",\n      \"message\": \"recursion: A.Main "
           "calls itself; the call counts 0 bytes\"",
       }) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected;
  }
  // Without --budget there is no verdict in the document.
  EXPECT_EQ(run.out.find("\"budget\""), std::string::npos);
}

TEST(JsonReportTest, BudgetAndCheckKeepTheirStatusAndMessages) {
  MemoryFileSystem files = project(kModule, kMap);
  const MemoryRun run = testing::runInMemory(
      {"--check", "--budget=40", "--path", "--json", "P", "-d"}, files);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("\"budget\": {\n    \"bytes\": 40,\n"
                         "    \"exceeded\": true\n  }\n}\n"),
            std::string::npos);
  EXPECT_EQ(run.err,
            "Can't open the BasicX module \"Gone.bas\".\n"
            "Can't open the BasicX module \"Gone.bas\".\n"
            "A.bas:6:3: warning: the stack of task A.Worker cannot be checked: "
            "no array S is declared\n"
            "P.mpp:4:6: warning: the map names A.Caf\xe9, which no module "
            "defines\n"
            "A.bas:3:8: warning: recursion: A.Main calls itself; the call counts "
            "0 bytes\n"
            "Estimated RAM use of 47 bytes exceeds the budget of 40 bytes.\n"
            "The stack of task A.Worker cannot be checked: no array S is "
            "declared.\n"
            "Superfluous option \"-d\" ignored.\n");
}

TEST(JsonReportTest, FailedRunsLeaveStandardOutputEmpty) {
  struct Case {
    std::vector<std::string> args;
    std::string module;
    std::string err;
  };
  const std::string overlong =
      "Sub Main()\n" + std::string(510, 'x') + "_more\n";
  const Case cases[] = {
      {{"--json", "--dot", "P"},
       kModule,
       "Options --json and --dot cannot be combined.\n"},
      {{"--dot", "-x", "P"}, kModule, "Unrecognized option - \"-x\".\n"},
      {{"--json", "--budget"},
       kModule,
       "Missing byte count for option --budget.\n"},
      {{"--json", "Nope"},
       kModule,
       "Can't open the BasicX project file \"Nope.bxp\".\n"},
      // The overlong-line message of the text report goes to standard error.
      {{"--dot", "P"},
       overlong,
       "Line exceeded maximum length at line 1 of module \"A.bas\"\n"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files = project(c.module, kMap);
    const MemoryRun run = testing::runInMemory(c.args, files);
    EXPECT_EQ(run.status, 1) << c.args[1];
    EXPECT_EQ(run.out, "") << c.args[1];
    EXPECT_EQ(run.err, c.err) << c.args[1];
  }
}

TEST(JsonReportTest, MissingTopRoutineStillGivesTheDocument) {
  MemoryFileSystem files = project(kModule, kMap);
  const MemoryRun run = testing::runInMemory({"--json", "-tNone", "P"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"estimate\": null,"), std::string::npos);
  EXPECT_NE(run.out.find("\"chains\": [],"), std::string::npos);
  EXPECT_EQ(run.err.substr(run.err.size() - 28),
            "No public None() sub found.\n");
}

// The document says why its estimate is null, and everything else standard
// error says, in the same order, the lines after the document included.
TEST(JsonReportTest, MessagesSayWhatStandardErrorSays) {
  MemoryFileSystem files = project(kModule, kMap);
  const MemoryRun run = testing::runInMemory(
      {"--check", "--json", "--budget=40", "-tNone", "P", "extra"}, files);
  EXPECT_EQ(run.status, 2);
  const std::string gone = "Can't open the BasicX module \\\"Gone.bas\\\".";
  const std::string expected =
      "  \"messages\": [\n"
      "    {\"kind\": \"module-missing\", \"text\": \"" + gone + "\"},\n"
      "    {\"kind\": \"module-missing\", \"text\": \"" + gone + "\"},\n"
      "    {\"kind\": \"top-not-found\", \"text\": \"No public None() sub "
      "found.\"},\n"
      "    {\"kind\": \"budget-unchecked\", \"text\": \"Estimated RAM use "
      "unknown: the budget of 40 bytes cannot be checked.\"},\n"
      "    {\"kind\": \"task-stack-unchecked\", \"text\": \"The stack of task "
      "A.Worker cannot be checked: no array S is declared.\"},\n"
      "    {\"kind\": \"surplus-argument\", \"text\": \"Superfluous option "
      "\\\"extra\\\" ignored.\"}\n"
      "  ],\n";
  EXPECT_NE(run.out.find(expected), std::string::npos) << run.out;
  // Each of them is a line of standard error; the warnings come between.
  EXPECT_EQ(run.err.find("Can't open the BasicX module \"Gone.bas\".\n"), 0u);
  EXPECT_NE(run.err.find("No public None() sub found.\nA.bas:6:3: warning:"),
            std::string::npos);
  EXPECT_EQ(run.err.substr(run.err.size() - 36),
            "Superfluous option \"extra\" ignored.\n");
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// Main calls Heavy. Main's own total wraps when it has 4294967272 local
// bytes; when Heavy, two calls down, has 4294967290, Heavy's total wraps and
// its callers' totals, small and exact sums in themselves, are wrong too.
TEST(JsonReportTest, WrappedEstimateNeverPassesTheGate) {
  for (const bool deep : {false, true}) {
    MemoryFileSystem files;
    files.add("W.bxp", "W.bas\n");
    files.add("W.bas", deep ? "Sub Main()\n  Mid\nEnd Sub\nSub Mid()\n  Heavy\n"
                              "End Sub\nSub Heavy()\nEnd Sub\n"
                            : "Sub Main()\n  Heavy\nEnd Sub\nSub Heavy()\n"
                              "End Sub\n");
    files.add("W.mpp", std::string("RAM allocated: 0\nFORMAL PARAMETERS\n"
                                   "LOCAL VARIABLES\n1 ") +
                           (deep ? "4294967290 W.Heavy" : "4294967272 W.Main") +
                           ".x\nCODE MEMORY\n");
    const testing::MemoryRun text =
        testing::runInMemory({"--budget=100", "W"}, files);
    EXPECT_EQ(text.status, 2) << deep;
    EXPECT_NE(text.err.find("cannot be checked: the estimate exceeds "
                            "4294967295 bytes and wrapped around.\n"),
              std::string::npos)
        << text.err;
    const testing::MemoryRun json =
        testing::runInMemory({"--json", "--budget=100", "W"}, files);
    EXPECT_EQ(json.status, 2);
    EXPECT_NE(json.out.find("\"exceeded\": true,\n    \"cannotCheck\": \"the "
                            "estimate exceeds 4294967295 bytes and wrapped "
                            "around\""),
              std::string::npos)
        << json.out;
  }
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// Main calls Digits, which calls itself, and Blink, which calls the
// external Delay of 12 bytes; the task Worker calls Ping and Pong, which
// call each other without a depth, and PutPin, whose size is not known.
MemoryFileSystem boundProject() {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\n");
  files.add("A.bas",
            "Dim S(1 To 40) As Byte\n"
            "Sub Main()\n  Call Digits(1)\n  Call Blink\n"
            "  CallTask \"Worker\", S\nEnd Sub\n"
            "Sub Digits(ByVal N As Integer)\n  Call Digits(N)\nEnd Sub\n"
            "Sub Blink()\nEnd Sub\n"
            "Sub Worker()\n  Call Ping\nEnd Sub\n"
            "Sub Ping()\n  Call Pong\nEnd Sub\n"
            "Sub Pong()\n  Call Ping\nEnd Sub\n");
  files.add("P.mpp",
            "RAM allocated: 0\nFORMAL PARAMETERS\n 1 2 A.Digits.N\n"
            "LOCAL VARIABLES\nCODE MEMORY\n");
  files.add("P.mta",
            "recursion A.Digits 3\ncalls A.Blink Delay\nstack Delay 12\n"
            "calls A.Worker PutPin\n");
  return files;
}

TEST(JsonReportTest, BoundModeSaysEveryBoundAndWhatItCameFrom) {
  MemoryFileSystem files = boundProject();
  const MemoryRun run = testing::runInMemory({"--json", "--bound", "P"}, files);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* expected : {
           "\"memtally\": \"0.7\",\n  \"mode\": \"bound\",\n"
           "  \"annotationFile\": \"P.mta\",\n",
           // Main: 15 and the larger of Digits (3 x 11) and Blink (9 + 12).
           "\"totalBytes\": 48,\n    \"bound\": \"bounded\"\n  },",
           "\"name\": \"A.Blink\"",
           "\"totalBytes\": 21,\n      \"bound\": \"bounded\",\n"
           "      \"worstCallee\": null,\n      \"worstExternal\": \"Delay\",\n"
           "      \"recursion\": null,",
           "\"totalBytes\": 33,\n      \"bound\": \"bounded\",\n"
           "      \"worstCallee\": null,\n      \"worstExternal\": null,\n"
           "      \"recursion\": 0,",
           "\"routine\": \"A.Worker\",\n      \"stackBytes\": 24,\n"
           "      \"bound\": \"atLeast\"\n",
           "\"neededBytes\": 24,\n      \"bound\": \"atLeast\",\n"
           "      \"spareBytes\": null,\n      \"fits\": null,",
           "\"from\": \"A.Main\",\n      \"totalBytes\": 48,\n"
           "      \"bound\": \"bounded\",\n      \"steps\": [\n"
           "        {\"kind\": \"frame\", \"routine\": \"A.Main\", "
           "\"overheadBytes\": 15, \"paramBytes\": 0, \"localBytes\": 0, "
           "\"frameBytes\": 15, \"bytes\": 15},\n"
           "        {\"kind\": \"recursion\", \"routine\": \"A.Digits\", "
           "\"recursion\": 0, \"depth\": 3, \"largestFrameBytes\": 11, "
           "\"extraBytes\": 0, \"bytes\": 33}\n      ]",
           "{\"kind\": \"recursion\", \"routine\": \"A.Ping\", \"recursion\": 1, "
           "\"depth\": null, \"largestFrameBytes\": 9, \"extraBytes\": 0, "
           "\"bytes\": 9}",
           "\"recursions\": [\n    {\n      \"members\": [\"A.Digits\"],\n"
           "      \"depth\": 3,\n      \"largestFrameBytes\": 11,\n"
           "      \"outsideBytes\": 0,\n      \"worstOutside\": null,\n"
           "      \"worstExternal\": null,\n      \"totalBytes\": 33,\n"
           "      \"bound\": \"bounded\"\n    },\n"
           "    {\n      \"members\": [\"A.Ping\", \"A.Pong\"],\n"
           "      \"depth\": null,",
           "\"externalCalls\": [\n    {\n      \"name\": \"Delay\",\n"
           "      \"stackBytes\": 12,\n      \"reached\": true,\n"
           "      \"callers\": [\"A.Blink\"],\n      \"sites\": []\n    },\n"
           "    {\n      \"name\": \"PutPin\",\n      \"stackBytes\": null,",
           "\"kind\": \"calls\",\n      \"name\": \"A.Blink\",\n"
           "      \"value\": null,\n      \"callees\": [\"Delay\"],\n"
           "      \"used\": true\n",
           "\"kind\": \"stack\",\n      \"name\": \"Delay\",\n"
           "      \"value\": 12,\n      \"used\": true\n",
       }) {
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected;
  }
}

// A classic document says its mode and nothing of bound mode's.
TEST(JsonReportTest, ClassicDocumentSaysItsModeOnly) {
  MemoryFileSystem files = boundProject();
  const MemoryRun run = testing::runInMemory({"--json", "P"}, files);
  EXPECT_NE(run.out.find("\"memtally\": \"0.7\",\n  \"mode\": \"classic\",\n"
                         "  \"project\": \"P.bxp\",\n"),
            std::string::npos);
  for (const char* absent : {"\"bound\"", "\"kind\": \"frame\"",
                             "\"annotationFile\"", "\"recursions\"",
                             "\"externalCalls\"", "\"worstExternal\""}) {
    EXPECT_EQ(run.out.find(absent), std::string::npos) << absent;
  }
}

// The sites of an external routine's calls name their module's file.
TEST(JsonReportTest, ExternalCallSitesNameTheirModuleFile) {
  MemoryFileSystem files = boundProject();
  files.add("P.bxp", "Gone.bas\nA.bas\n");
  QuietProgress quiet;
  std::optional<Analysis> analysis = analyzeProject(
      files, quiet, testing::fixedTime, {"P", std::nullopt, 0, true});
  ASSERT_TRUE(analysis.has_value());
  BoundFacts& bound = analysis->bound;
  const RoutineEntry* blink =
      lookupOrAddRoutine(*analysis->table, "A", "Blink", false);
  ASSERT_NE(blink, nullptr);
  bound.externals.record(*blink, "Debug.Print", CallSite{1, 11, 3});
  bound.externals.record(*blink, "Debug.Print", CallSite{1, 12, 3});
  bound.externalBytes.resize(bound.externals.routines().size());
  bound.externalReached.resize(bound.externals.routines().size());
  StringConsole console;
  writeJsonReport(console, *analysis, std::nullopt);
  EXPECT_NE(console.stdoutText().find(
                "\"name\": \"Debug.Print\",\n      \"stackBytes\": null,\n"
                "      \"reached\": false,\n      \"callers\": [\"A.Blink\"],\n"
                "      \"sites\": [\n"
                "        {\"file\": \"A.bas\", \"line\": 11, \"column\": 3}\n"
                "      ]\n"),
            std::string::npos)
      << console.stdoutText();
}

}  // namespace
}  // namespace memtally
