// End-to-end checks of the estimate and the listings: small BasicX projects
// written into a temporary directory and run through the built executable,
// comparing standard output, standard error and the exit status whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/run_tool.h"

namespace memtally {
namespace {

using testing::maskTimeStamp;
using testing::runTool;
using testing::TempDir;
using testing::ToolRun;

using Files = std::vector<std::pair<std::string, std::string>>;

// Writes the files of a project into a fresh directory and runs the tool
// there, with the time stamp masked.
ToolRun runProject(const Files& files, const std::vector<std::string>& args) {
  TempDir dir;
  for (const auto& [name, text] : files) dir.write(name, text);
  ToolRun run = runTool(args, dir.path());
  run.out = maskTimeStamp(run.out);
  return run;
}

// What every run of a project prints before the estimate.
std::string header(const std::string& project,
                   const std::vector<std::string>& modules) {
  std::string text = "Memtally v0.7\n\nAnalyzing project \"" + project +
                     ".bxp\", Www Mmm dd hh:mm:ss yyyy\n";
  for (const std::string& module : modules) {
    text += "  Module: \"" + module + "\"\n";
  }
  return text;
}

const char kDetailedHeading[] =
    "\n"
    "                       Detailed Analysis\n"
    "             (N.B. invocation overhead is 9 bytes)\n"
    "Sub/Function                        Params Locals Callees  Total\n"
    "----------------------------------- ------ ------ ------- ------\n";

const char kCallersHeading[] =
    "\n\nRoutines and their callers:\n"
    "----------------------------------\n";

// Main calls A, A calls B and B calls A again; 120 bytes of static RAM.
const char kCycleModule[] =
    "' Main calls A, A calls B, and B calls A again.\n"
    "Option Explicit\n"
    "\n"
    "Public Sub Main()\n"
    "    Call A(1, 2)\n"
    "End Sub\n"
    "\n"
    "Public Sub A(ByVal X As Byte, ByVal Y As Byte)\n"
    "    Call B(X)\n"
    "End Sub\n"
    "\n"
    "Public Sub B(ByVal Z As Byte)\n"
    "    Call A(Z, Z)\n"
    "End Sub\n";

const char kCycleTask[] =
    "\n"
    "Private TStack(1 To 40) As Byte\n"
    "\n"
    "Public Sub T()\n"
    "    Call B(3)\n"
    "End Sub\n";

const char kCycleMap[] =
    "BasicX Compiler map file\n"
    "Project: Prog\n"
    "\n"
    "RAM allocated: 120 bytes\n"
    "\n"
    "FORMAL PARAMETERS\n"
    "  Address  Size  Name\n"
    "  -------  ----  ------------------------------\n"
    "      400     1  Prog.A.X\n"
    "      401     1  Prog.A.Y\n"
    "      402     1  Prog.B.Z\n"
    "\n"
    "LOCAL VARIABLES\n"
    "  Address  Size  Name\n"
    "  -------  ----  ------------------------------\n"
    "      403    10  Prog.Main.Buffer\n"
    "      413     4  Prog.A.Count\n"
    "      417     3  Prog.B.Temp\n"
    "\n"
    "CODE MEMORY\n"
    "  Address  Size  Name\n"
    "  -------  ----  ------------------------------\n"
    "        0    40  Prog.Main\n";

Files cycleProject(bool withTask) {
  std::string module = kCycleModule;
  if (withTask) {
    // Main starts T, which enters the cycle at B.
    module.replace(module.find("    Call A(1, 2)\n"), 0,
                   "    CallTask \"T\", TStack\n");
    module += kCycleTask;
  }
  return {{"Prog.bxp", "Prog.bas\n"},
          {"Prog.bas", module},
          {"Prog.mpp", kCycleMap}};
}

TEST(ReportE2ETest, CycleWithoutTaskWithDetailsAndCallers) {
  const ToolRun run = runProject(cycleProject(false), {"-d", "-c", "Prog"});
  EXPECT_EQ(
      run.out,
      header("Prog", {"Prog.bas"}) +
          "\n"
          "Estimate of application RAM use:\n"
          "     Invocation overhead:   15\n"
          "       Passed parameters:    0\n"
          "         Local variables:   10\n"
          "  Invoked functions/subs:   28\n"
          "        Static variables:  120\n"
          "                          ----\n"
          "                   Total:  173\n" +
          kDetailedHeading +
          "Prog.A                                   2      4      13     28\n"
          "  Prog.B                                                      13\n"
          "\n"
          "Prog.B                                   1      3       0     13\n"
          "  Prog.A                                                      28\n"
          "\n"
          "Prog.Main                                0     10      28     53\n"
          "  Prog.A                                                      28\n" +
          kCallersHeading +
          "Prog.A\n"
          "  Prog.B\n"
          "  Prog.Main\n"
          "\n"
          "Prog.B\n"
          "  Prog.A\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

TEST(ReportE2ETest, TaskEnteringTheCycleFirstChangesTheTotals) {
  const ToolRun run = runProject(cycleProject(true), {"-d", "Prog"});
  EXPECT_EQ(
      run.out,
      header("Prog", {"Prog.bas"}) +
          "\n"
          "Estimate of application RAM use:\n"
          "     Invocation overhead:   15\n"
          "       Passed parameters:    0\n"
          "         Local variables:   10\n"
          "  Invoked functions/subs:   15\n"
          "        Static variables:  120\n"
          "                          ----\n"
          "                   Total:  160\n" +
          kDetailedHeading +
          "Prog.A                                   2      4       0     15\n"
          "  Prog.B                                                      28\n"
          "\n"
          "Prog.B                                   1      3      15     28\n"
          "  Prog.A                                                      15\n"
          "\n"
          "Prog.Main                                0     10      15     40\n"
          "  Prog.A                                                      15\n"
          "\n"
          "Prog.T                                   0      0      28     37\n"
          "  Prog.B                                                      28\n"
          "\n"
          "\n"
          "Stack requirements for tasks:\n"
          "----------------------------------\n"
          "  Prog.T                                 43 bytes\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

// A Function, a private Sub and main, in one module.
Files meterProject() {
  return {{"Meter.bxp", "Meter.bas\n"},
          {"Meter.bas",
           "Public Sub Main()\n"
           "    Dim Level As Integer\n"
           "    Level = ReadLevel(3)\n"
           "    Call Show(Level)\n"
           "End Sub\n"
           "\n"
           "Public Function ReadLevel(ByVal Channel As Byte) As Integer\n"
           "    ReadLevel = GetADC(Channel)\n"
           "End Function\n"
           "\n"
           "Private Sub Show(ByVal Value As Integer)\n"
           "    Call PutPin(Value, 1)\n"
           "End Sub\n"},
          {"Meter.mpp",
           "RAM allocated: 64 bytes\n"
           "FORMAL PARAMETERS\n"
           "      400     1  Meter.ReadLevel.Channel\n"
           "      401     2  Meter.Show.Value\n"
           "LOCAL VARIABLES\n"
           "      403     2  Meter.Main.Level\n"
           "CODE MEMORY\n"}};
}

TEST(ReportE2ETest, TargetHeadingShowsKindAndTypedName) {
  struct Case {
    std::vector<std::string> args;
    std::string estimate;
  };
  const Case cases[] = {
      {{"-t", "ReadLevel", "Meter"},
       "Estimate of function\tReadLevel RAM use:\n"
       "     Invocation overhead:    9\n"
       "       Passed parameters:    1\n"
       "         Local variables:    0\n"
       "  Invoked functions/subs:    0\n"
       "                          ----\n"
       "                   Total:   10\n"},
      {{"-tshow", "Meter"},
       "Estimate of sub\tshow RAM use:\n"
       "     Invocation overhead:    9\n"
       "       Passed parameters:    2\n"
       "         Local variables:    0\n"
       "  Invoked functions/subs:    0\n"
       "                          ----\n"
       "                   Total:   11\n"},
      {{"-t", "MAIN", "Meter"},
       "Estimate of sub\tMAIN RAM use:\n"
       "     Invocation overhead:   15\n"
       "       Passed parameters:    0\n"
       "         Local variables:    2\n"
       "  Invoked functions/subs:   11\n"
       "                          ----\n"
       "                   Total:   28\n"},
      {{"Meter"},
       "Estimate of application RAM use:\n"
       "     Invocation overhead:   15\n"
       "       Passed parameters:    0\n"
       "         Local variables:    2\n"
       "  Invoked functions/subs:   11\n"
       "        Static variables:   64\n"
       "                          ----\n"
       "                   Total:   92\n"},
  };
  for (const Case& c : cases) {
    const ToolRun run = runProject(meterProject(), c.args);
    EXPECT_EQ(run.out, header("Meter", {"Meter.bas"}) + "\n" + c.estimate)
        << c.args[0];
    EXPECT_EQ(run.err, "") << c.args[0];
    EXPECT_EQ(run.status, 0) << c.args[0];
  }
}

TEST(ReportE2ETest, MissingTopRoutineSkipsTheReportAndExitsZero) {
  Files files = meterProject();
  // No main in the sources, nor in the map (a map name would create it).
  files[1].second = "Public Sub Start()\nEnd Sub\n";
  files[2].second = "RAM allocated: 64 bytes\n";
  ToolRun run = runProject(files, {"-d", "-u", "-c", "Meter", "extra"});
  EXPECT_EQ(run.out, header("Meter", {"Meter.bas"}));
  EXPECT_EQ(run.err,
            "No public main() sub found.\n"
            "Superfluous option \"extra\" ignored.\n");
  EXPECT_EQ(run.status, 0);

  run = runProject(meterProject(), {"-t", "Nowhere", "-d", "Meter"});
  EXPECT_EQ(run.out, header("Meter", {"Meter.bas"}));
  EXPECT_EQ(run.err, "No public Nowhere() sub found.\n");
  EXPECT_EQ(run.status, 0);
}

// Main starts the task Worker, which calls Main.
Files loopProject() {
  return {{"Loop.bxp", "Loop.bas\n"},
          {"Loop.bas",
           "Private WorkerStack(1 To 30) As Byte\n"
           "\n"
           "Public Sub Main()\n"
           "    Dim Count As Byte\n"
           "    CallTask \"Worker\", WorkerStack\n"
           "    Call Tick()\n"
           "End Sub\n"
           "\n"
           "Public Sub Worker()\n"
           "    Call Main()\n"
           "End Sub\n"
           "\n"
           "Public Sub Tick()\n"
           "End Sub\n"},
          {"Loop.mpp",
           "RAM allocated: 30 bytes\n"
           "FORMAL PARAMETERS\n"
           "LOCAL VARIABLES\n"
           "      400     1  Loop.Main.Count\n"
           "CODE MEMORY\n"}};
}

TEST(ReportE2ETest, MainReachedFromATaskKeepsTheTaskOverhead) {
  const ToolRun run = runProject(loopProject(), {"-d", "Loop"});
  EXPECT_EQ(
      run.out,
      header("Loop", {"Loop.bas"}) +
          "\n"
          "Estimate of application RAM use:\n"
          "     Invocation overhead:    9\n"
          "       Passed parameters:    0\n"
          "         Local variables:    1\n"
          "  Invoked functions/subs:    9\n"
          "        Static variables:   30\n"
          "                          ----\n"
          "                   Total:   49\n" +
          kDetailedHeading +
          "Loop.Main                                0      1       9     19\n"
          "  Loop.Tick                                                    9\n"
          "\n"
          "Loop.Tick                                0      0       0      9\n"
          "\n"
          "Loop.Worker                              0      0      19     28\n"
          "  Loop.Main                                                   19\n"
          "\n"
          "\n"
          "Stack requirements for tasks:\n"
          "----------------------------------\n"
          "  Loop.Worker                            34 bytes\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

// Routine names longer than the listings' columns.
Files sensorsProject() {
  return {{"Sensors.bxp", "Sensors.bas\n"},
          {"Sensors.bas",
           "Private MonitorStack(1 To 30) As Byte\n"
           "\n"
           "Public Sub Main()\n"
           "    Call ComputeTheRunningAverageOfAllSensors()\n"
           "End Sub\n"
           "\n"
           "Public Sub ComputeTheRunningAverageOfAllSensors()\n"
           "    CallTask \"MonitorEverySensorChannelInTheLoop\", MonitorStack\n"
           "End Sub\n"
           "\n"
           "Public Sub MonitorEverySensorChannelInTheLoop()\n"
           "End Sub\n"
           "\n"
           "Public Sub CalibrateEverySensorBeforeFirstUse()\n"
           "    Call ComputeTheRunningAverageOfAllSensors()\n"
           "End Sub\n"},
          {"Sensors.mpp",
           "RAM allocated: 0 bytes\n"
           "FORMAL PARAMETERS\n"
           "LOCAL VARIABLES\n"
           "      400     4  Sensors.ComputeTheRunningAverageOfAllSensors.Sum\n"
           "CODE MEMORY\n"}};
}

TEST(ReportE2ETest, LongNamesAreCutInTheDetailedListingOnly) {
  const ToolRun run =
      runProject(sensorsProject(), {"-c", "-u", "-d", "Sensors"});
  // The routine at index 0 of the table is unused: an empty line stands
  // between the rule and the first row.
  EXPECT_EQ(
      run.out,
      header("Sensors", {"Sensors.bas"}) +
          "\n"
          "Estimate of application RAM use:\n"
          "     Invocation overhead:   15\n"
          "       Passed parameters:    0\n"
          "         Local variables:    0\n"
          "  Invoked functions/subs:   13\n"
          "        Static variables:    0\n"
          "                          ----\n"
          "                   Total:   28\n" +
          kDetailedHeading +
          "\n"
          "Sensors.ComputeTheRunningAverageOfA      0      4       0     13\n"
          "\n"
          "Sensors.Main                             0      0      13     28\n"
          "  Sensors.ComputeTheRunningAverageO                           13\n"
          "\n"
          "Sensors.MonitorEverySensorChannelIn      0      0       0      9\n"
          "\n"
          "\n"
          "Stack requirements for tasks:\n"
          "----------------------------------\n"
          "  Sensors.MonitorEverySensorChannel      15 bytes\n"
          "\n"
          "\n"
          "Unused Routines:\n"
          "----------------------------------\n"
          "Sensors.CalibrateEverySensorBeforeFirstUse\n" +
          kCallersHeading +
          "Sensors.ComputeTheRunningAverageOfAllSensors\n"
          "  Sensors.CalibrateEverySensorBeforeFirstUse\n"
          "  Sensors.Main\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

// Routine Init in modules Zed and Alpha: Main calls Alpha.Init (the public
// one whose module sorts last), Zed.Start calls its own Zed.Init.
// Task starts of every kind: a fitting one, one too small, a local array,
// another module's, and ones that cannot be checked.
Files tasksProject() {
  return {{"Tasks.bxp", "Main.bas\nPool.bas\n"},
          {"Main.bas",
           "Option Base 1\nDim Small(1 To 4) As Byte, Big(20) As Integer\n"
           "Public Sub Main()\n"
           "    Dim Mine(40) As Byte\n"
           "    CallTask \"Worker\", Big\n"
           "    CallTask \"Worker\", Small\n"
           "    CallTask \"Worker\", Mine\n"
           "    CallTask \"Worker\", Pool.Stack\n"
           "    CallTask \"Elsewhere\", Big\n"
           "    CallTask \"Worker\", Big + 1\n"
           "End Sub\n"
           "Sub Worker()\nEnd Sub\n"},
          {"Pool.bas", "Public Stack(1 To Size) As Long\nPublic Const Size = 9\n"},
          {"Tasks.mpp",
           "RAM allocated: 16 bytes\nFORMAL PARAMETERS\nLOCAL VARIABLES\n"
           "CODE MEMORY\n"}};
}

Files bootProject() {
  return {{"Boot.bxp", "Main.bas\nZed.bas\nAlpha.bas\n"},
          {"Main.bas",
           "Public Sub Main()\n"
           "    Call Start()\n"
           "    Call Init()\n"
           "End Sub\n"},
          {"Zed.bas",
           "Public Sub Start()\n"
           "    Call Init()\n"
           "End Sub\n"
           "\n"
           "Public Sub Init()\n"
           "End Sub\n"},
          {"Alpha.bas", "Public Sub Init()\nEnd Sub\n"},
          {"Boot.mpp",
           "RAM allocated: 16 bytes\n"
           "FORMAL PARAMETERS\nLOCAL VARIABLES\nCODE MEMORY\n"}};
}

TEST(ReportE2ETest, UnusedListingPutsTheCallersInFullNameOrder) {
  const std::string head =
      header("Boot", {"Main.bas", "Zed.bas", "Alpha.bas"}) +
      "\n"
      "Estimate of application RAM use:\n"
      "     Invocation overhead:   15\n"
      "       Passed parameters:    0\n"
      "         Local variables:    0\n"
      "  Invoked functions/subs:   18\n"
      "        Static variables:   16\n"
      "                          ----\n"
      "                   Total:   49\n" +
      kCallersHeading;
  ToolRun run = runProject(bootProject(), {"-c", "Boot"});
  EXPECT_EQ(run.out, head +
                         "Zed.Init\n  Zed.Start\n\n"
                         "Alpha.Init\n  Main.Main\n\n"
                         "Zed.Start\n  Main.Main\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);

  // Every routine is used, so -u prints nothing, yet the table it sorted
  // changes the callers order, whichever option comes first.
  const std::string fullNameOrder = head +
                                    "Alpha.Init\n  Main.Main\n\n"
                                    "Zed.Init\n  Zed.Start\n\n"
                                    "Zed.Start\n  Main.Main\n";
  for (const auto& args : {std::vector<std::string>{"-u", "-c", "Boot"},
                           std::vector<std::string>{"-C", "-U", "Boot"}}) {
    run = runProject(bootProject(), args);
    EXPECT_EQ(run.out, fullNameOrder) << args[0];
    EXPECT_EQ(run.err, "") << args[0];
    EXPECT_EQ(run.status, 0) << args[0];
  }
}

TEST(ReportE2ETest, MillionRoutineChainRunsThroughTheWholeTool) {
  // Slow under the sanitizers; the descent itself is covered there by the
  // unit test of the same chain.
  if (std::getenv("MEMTALLY_SANITIZE_BUILD") != nullptr) {
    GTEST_SKIP() << "too slow in the sanitizer build";
  }
  constexpr int kRoutines = 1000000;  // Main and R1 to R999999
  constexpr int kModules = 4;
  constexpr int kPerModule = kRoutines / kModules;
  Files files = {{"Chain.bxp", ""}};
  for (int m = 0; m < kModules; ++m) {
    const std::string name = "Chain" + std::to_string(m) + ".bas";
    files[0].second += name + "\n";
    std::string text;
    text.reserve(static_cast<size_t>(kPerModule) * 40);
    for (int i = m * kPerModule; i < (m + 1) * kPerModule; ++i) {
      text +=
          i == 0 ? "Public Sub Main()\n" : "Sub R" + std::to_string(i) + "()\n";
      if (i + 1 < kRoutines)
        text += "    Call R" + std::to_string(i + 1) + "\n";
      text += "End Sub\n";
    }
    files.emplace_back(name, std::move(text));
  }
  files.emplace_back("Chain.mpp",
                     "RAM allocated: 100 bytes\n"
                     "FORMAL PARAMETERS\n"
                     "      400     2  Chain3.R999999.Value\n"
                     "LOCAL VARIABLES\n"
                     "      402     3  Chain0.Main.Count\n"
                     "CODE MEMORY\n");
  const ToolRun run = runProject(files, {"Chain"});
  EXPECT_EQ(run.out, header("Chain", {"Chain0.bas", "Chain1.bas", "Chain2.bas",
                                      "Chain3.bas"}) +
                         "\n"
                         "Estimate of application RAM use:\n"
                         "     Invocation overhead:   15\n"
                         "       Passed parameters:    0\n"
                         "         Local variables:    3\n"
                         "  Invoked functions/subs: 8999993\n"
                         "        Static variables:  100\n"
                         "                          ----\n"
                         "                   Total: 9000111\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
}

// A tool the document tests use, from the build's configuration; empty when
// it was not found.
std::string documentTool(const std::string& path) {
  return path.find("NOTFOUND") == std::string::npos ? path : std::string();
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// A project of the tests above, or the bundled example when `files` is
// empty, with the -t option it is run with.
struct DocumentCase {
  Files files;
  std::string project;
  std::vector<std::string> target;
};

TEST(ReportE2ETest, DocumentsSayWhatTheTextReportSays) {
  const std::string python = documentTool(MEMTALLY_PYTHON3_PATH);
  const std::string dot = documentTool(MEMTALLY_DOT_PATH);
  if (python.empty() || dot.empty()) {
    if (std::getenv("MEMTALLY_REQUIRE_DOCUMENT_TOOLS") != nullptr) {
      FAIL() << "python3 and dot are needed";
    }
    GTEST_SKIP() << "python3 or dot is not installed";
  }
  const std::filesystem::path source(MEMTALLY_SOURCE_DIR);
  Files noMain = meterProject();
  noMain[1].second = "Public Sub Start()\nEnd Sub\n";
  noMain[2].second = "RAM allocated: 64 bytes\n";
  const DocumentCase cases[] = {
      {{}, "Blink", {}},
      {{}, "Blink", {"-tReadSensor"}},
      {cycleProject(false), "Prog", {}},
      {cycleProject(true), "Prog", {}},
      {meterProject(), "Meter", {}},
      {meterProject(), "Meter", {"-t", "ReadLevel"}},
      {meterProject(), "Meter", {"-t", "MAIN"}},
      {noMain, "Meter", {}},
      {loopProject(), "Loop", {}},
      {sensorsProject(), "Sensors", {}},
      {bootProject(), "Boot", {}},
      {tasksProject(), "Tasks", {}},
  };
  for (const DocumentCase& c : cases) {
    TempDir work;
    TempDir project;
    for (const auto& [name, text] : c.files) project.write(name, text);
    const std::filesystem::path dir =
        c.files.empty() ? source / "examples" / "Blink" : project.path();
    const auto run = [&](std::vector<std::string> args) {
      args.insert(args.end(), c.target.begin(), c.target.end());
      args.push_back(c.project);
      return runTool(args, dir);
    };
    const ToolRun text = run({"-d", "-u", "-c"});
    const ToolRun json = run({"--json"});
    const ToolRun graph = run({"--dot", "-u"});
    const std::string label = c.project + (c.target.empty() ? "" : " -t");
    EXPECT_EQ(json.status, text.status) << label;
    EXPECT_EQ(json.err, text.err) << label;
    EXPECT_EQ(graph.err, text.err) << label;
    work.write("report.txt", text.out);
    work.write("report.json", json.out);
    work.write("graph.dot", graph.out);
    const std::string compare =
        quoted(python) + " " +
        quoted((source / "tests" / "compare_report.py").string()) + " " +
        quoted((source / "doc" / "memtally-report.schema.json").string()) +
        " " + quoted((work.path() / "report.txt").string()) + " " +
        quoted((work.path() / "report.json").string());
    EXPECT_EQ(std::system(compare.c_str()), 0) << label;
    const std::string render =
        quoted(dot) + " -Tsvg " + quoted((work.path() / "graph.dot").string()) +
        " -o " + quoted((work.path() / "graph.svg").string()) + " 2> " +
        quoted((work.path() / "dot.err").string());
    EXPECT_EQ(std::system(render.c_str()), 0) << label;
    EXPECT_EQ(std::filesystem::file_size(work.path() / "dot.err"), 0u) << label;
  }
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// Bound mode's documents: each --json document validates against the schema
// with its numbers in agreement (steps of every kind adding up, recursions
// holding their members' totals), and each --dot graph renders without a
// word from Graphviz.
TEST(ReportE2ETest, BoundModeDocumentsValidateAndRender) {
  const std::string python = documentTool(MEMTALLY_PYTHON3_PATH);
  const std::string dot = documentTool(MEMTALLY_DOT_PATH);
  if (python.empty() || dot.empty()) {
    if (std::getenv("MEMTALLY_REQUIRE_DOCUMENT_TOOLS") != nullptr) {
      FAIL() << "python3 and dot are needed";
    }
    GTEST_SKIP() << "python3 or dot is not installed";
  }
  const std::filesystem::path source(MEMTALLY_SOURCE_DIR);
  const std::string blinkAnnotations =
      "recursion Serial.SendNumber 10\ncalls Main.Blink Delay\n"
      "calls Main.Watchdog Delay\nstack Delay 40\n"
      "calls Serial.SendByte PutQueue\nstack Serial.OpenSerial 30\n";
  struct BoundCase {
    Files files;  // empty: the bundled example
    std::string project;
    std::string annotations;  // empty: none
    std::vector<std::string> args;
  };
  const BoundCase cases[] = {
      {{}, "Blink", "", {}},
      {{}, "Blink", blinkAnnotations, {}},
      {{}, "Blink", blinkAnnotations, {"-tReadSensor"}},
      {{}, "Blink", "stack Serial.SendText 90\n", {}},
      {{}, "Blink", "stack Main.Main 300\n", {}},
      {{{"Self.bxp", "Self.bas\n"},
        {"Self.bas", "Sub Main()\n  Call Main\nEnd Sub\n"},
        {"Self.mpp", "RAM allocated: 1\nLOCAL VARIABLES\n 1 4 Self.Main.x\n"}},
       "Self",
       "recursion Self.Main 3\n",
       {}},
      {cycleProject(true), "Prog", "recursion Prog.B 4\n", {}},
      {loopProject(), "Loop", "", {}},
      {tasksProject(), "Tasks", "", {}},
      {bootProject(), "Boot", "", {}},
  };
  for (const BoundCase& c : cases) {
    TempDir work;
    TempDir project;
    const std::filesystem::path blink = source / "examples" / "Blink";
    if (c.files.empty()) {
      for (const auto& file : std::filesystem::directory_iterator(blink)) {
        std::filesystem::copy(file.path(),
                              project.path() / file.path().filename());
      }
    }
    for (const auto& [name, text] : c.files) project.write(name, text);
    if (!c.annotations.empty()) {
      project.write(c.project + ".mta", c.annotations);
    }
    const auto run = [&](std::vector<std::string> args) {
      args.insert(args.end(), c.args.begin(), c.args.end());
      args.push_back(c.project);
      return runTool(args, project.path());
    };
    const ToolRun json = run({"--bound", "--json"});
    const ToolRun graph = run({"--bound", "--dot", "-u"});
    const std::string label = c.project + " " + c.annotations;
    EXPECT_EQ(json.status, 0) << label << json.err;
    EXPECT_EQ(graph.status, 0) << label << graph.err;
    work.write("report.json", json.out);
    work.write("graph.dot", graph.out);
    const std::string validate =
        quoted(python) + " " +
        quoted((source / "tests" / "validate_report.py").string()) + " " +
        quoted((source / "doc" / "memtally-report.schema.json").string()) +
        " " + quoted((work.path() / "report.json").string());
    EXPECT_EQ(std::system(validate.c_str()), 0) << label;
    const std::string render =
        quoted(dot) + " -Tsvg " + quoted((work.path() / "graph.dot").string()) +
        " -o " + quoted((work.path() / "graph.svg").string()) + " 2> " +
        quoted((work.path() / "dot.err").string());
    EXPECT_EQ(std::system(render.c_str()), 0) << label;
    EXPECT_EQ(std::filesystem::file_size(work.path() / "dot.err"), 0u) << label;
  }
}

}  // namespace
}  // namespace memtally
