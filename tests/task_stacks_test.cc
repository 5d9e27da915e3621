// The check of each task's stack array: which array a start means, what it
// holds, what the task needs, and what the report, the warnings and the
// gate say of it.
#include "analysis/task_stacks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

// A project of modules A.bas and B.bas; Worker needs 9 + 6 bytes of stack.
MemoryFileSystem project(const std::string& a, const std::string& b = "") {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\nB.bas\n");
  files.add("A.bas", a);
  files.add("B.bas", b);
  files.add("P.mpp", "RAM allocated: 0\n");
  return files;
}

constexpr char kWorker[] = "Sub Worker()\nEnd Sub\n";

// "ARRAY holds/needs" or "ARRAY ?/needs: problem" for every start.
std::vector<std::string> checks(MemoryFileSystem files) {
  QuietProgress quiet;
  const std::optional<Analysis> analysis = analyzeProject(
      files, quiet, testing::fixedTime, {"P", std::nullopt, 0});
  std::vector<std::string> rows;
  for (const TaskStack& stack : analysis->taskStacks) {
    std::string row = stack.array != nullptr
                          ? stack.array->name + "@" +
                                std::to_string(stack.array->module) + ":" +
                                std::to_string(stack.array->place.line)
                          : std::string("-");
    row += " " + (stack.arrayBytes ? std::to_string(*stack.arrayBytes) : "?");
    row += "/" + (stack.neededBytes ? std::to_string(*stack.neededBytes) : "?");
    if (!stack.problem.empty()) row += ": " + stack.problem;
    rows.push_back(row);
  }
  return rows;
}

std::string starting(const std::string& declarations,
                     const std::string& argument) {
  return declarations + "Sub Main()\n  CallTask \"Worker\", " + argument +
         "\nEnd Sub\n" + kWorker;
}

TEST(TaskStacksTest, ArgumentMeansALocalThenAModuleThenAPublicArray) {
  struct Case {
    const char* what;
    std::string a;
    std::string b;
    std::string row;
  };
  const Case cases[] = {
      {"a module-level Dim, any letter case",
       "dim stk(1 to 40) as byte\n" + starting("", "STK"), "",
       "stk@0:1 40/15"},
      {"a local Dim comes before the module's",
       "Private S(1 To 40) As Byte\nSub Main()\n  Dim S(1 To 20) As Byte\n"
       "  CallTask \"Worker\", S\nEnd Sub\n" + std::string(kWorker),
       "", "S@0:3 20/15"},
      {"the module's own before another's Public",
       "Private S(1 To 30) As Byte\n" + starting("", "S"),
       "Public S(1 To 50) As Byte\n", "S@0:1 30/15"},
      {"another module's Public array",
       starting("", "S"), "Public S(1 To 50) As Byte\n", "S@1:1 50/15"},
      {"another module's Private array is none of this module's",
       starting("", "S"), "Private S(1 To 50) As Byte\n",
       "- ?/15: no array S is declared"},
      {"Module.Name names that module's array only",
       "Private S(1 To 30) As Byte\n" + starting("", "b.S"),
       "Public S(1 To 50) As Byte\n", "S@1:1 50/15"},
      {"one of several names on a line",
       "Dim A(1 To 4) As Byte, S(1 To 40) As Byte, C As Byte\n" +
           starting("", "S"),
       "", "S@0:1 40/15"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(checks(project(c.a, c.b)), std::vector<std::string>{c.row})
        << c.what;
  }
}

TEST(TaskStacksTest, SizesTakeConstantsOptionBaseAndElementSizes) {
  struct Case {
    std::string a;
    std::string b;
    std::string row;
  };
  const Case cases[] = {
      {starting("Private Const N As Integer = 13\nDim S(1 To N) As Byte\n",
                "S"),
       "", "S@0:2 13/15"},
      {starting("Dim S(1 To Depth, 2) As Integer\n", "S"),
       "Public Const Depth = 3\n", "S@0:1 18/15"},
      {"Option Base 1\n" + starting("Dim S(2, 3) As Long\n", "S"), "",
       "S@0:2 24/15"},
      {"Sub Main()\n  Const K = 7\n  Dim S(K) As Single\n"
       "  CallTask \"Worker\", S\nEnd Sub\n" + std::string(kWorker),
       "", "S@0:3 32/15"},
      // Constants that name each other have no literal value.
      {starting("Const A = B\nConst B = A\nDim S(1 To A) As Byte\n", "S"), "",
       "S@0:3 ?/15: the size of S is not known: its bounds are not constant "
       "(A)"},
      {starting("Dim S(1 To 8) As String\n", "S"), "",
       "S@0:1 ?/15: the size of S is not known: its element type String has "
       "no known size"},
      {starting("Dim S(9 To 8) As Byte\n", "S"), "",
       "S@0:1 ?/15: the size of S is not known: its upper bound 8 is below "
       "its lower bound 9"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(checks(project(c.a, c.b)), std::vector<std::string>{c.row})
        << c.a;
  }
}

TEST(TaskStacksTest, EveryStartThatCannotBeCheckedSaysWhy) {
  const std::string a =
      "Dim S(1 To 40) As Byte\nSub Main()\n"
      "  CallTask \"Worker\"\n"
      "  CallTask \"Worker\", S + 1\n"
      "  CallTask \"Worker\", Gone\n"
      "  CallTask \"Logger\", S\n"
      "  CallTask Worker, S\n"
      "End Sub\n" + std::string(kWorker);
  EXPECT_EQ(checks(project(a, "Sub Logger()\nEnd Sub\n")),
            (std::vector<std::string>{
                "- ?/15: its stack argument is not the name of an array",
                "- ?/15: its stack argument is not the name of an array",
                "- ?/15: no array Gone is declared",
                "S@0:1 40/?: Logger is not a routine of this module, so its "
                "need is not computed",
                "S@0:1 40/?: calltask has no quoted routine name"}));
}

TEST(TaskStacksTest, WarningsStandWhereTheUserFixesThem) {
  MemoryFileSystem files = project(
      "Dim Small(1 To 4) As Byte\nSub Main()\n  Dim Mine(40) As Byte\n"
      "  CallTask \"Worker\", Small\n  CallTask \"Other\", Small\n"
      "  CallTask \"Worker\", Mine\nEnd Sub\n" + std::string(kWorker) +
      "Sub Other()\nEnd Sub\n");
  const testing::MemoryRun run =
      testing::runInMemory({"--check", "--tasks", "P"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "A.bas:1:5: warning: Small holds 4 bytes, but task A.Worker, "
            "started with it at A.bas:4, needs 15\n"
            "A.bas:1:5: warning: Small holds 4 bytes, but task A.Other, "
            "started with it at A.bas:5, needs 15\n"
            "A.bas:3:7: warning: Mine is a local variable of A.Main, which "
            "starts task A.Worker with it: it is given back when A.Main "
            "returns, while the task still runs\n"
            "A.bas:5:3: warning: Small is the stack of task A.Worker too, "
            "started at A.bas:4; two tasks on one array overwrite each other\n"
            "P.mpp:1:1: warning: the map ends before FORMAL PARAMETERS; no "
            "sizes were read\n");
  EXPECT_NE(run.out.find(
                "A.Worker                            Small                "
                "A.bas:1                     4     15    -11  too small\n"),
            std::string::npos)
      << run.out;
}

// A bound continued over lines keeps their line ends in the logical line;
// the warning and the gate's line that quote it must each stay one line.
TEST(TaskStacksTest, ReasonsQuotingAContinuedLineAreOneLine) {
  MemoryFileSystem files =
      project(starting("Dim S(1 To N _\r\n+ 1) As Byte\n", "S"));
  const testing::MemoryRun run =
      testing::runInMemory({"--check", "--budget=100", "P"}, files);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("A.bas:4:3: warning: the stack of task A.Worker "
                         "cannot be checked: the size of S is not known: its "
                         "bounds are not constant (N   + 1)\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("\nThe stack of task A.Worker cannot be checked: the "
                         "size of S is not known: its bounds are not constant "
                         "(N   + 1).\n"),
            std::string::npos)
      << run.err;
}

TEST(TaskStacksTest, GatePassesOnlyWhenEveryStartIsShownToFit) {
  MemoryFileSystem fittingFiles =
      project(starting("Dim S(1 To 15) As Byte\n", "S"));
  const testing::MemoryRun fits =
      testing::runInMemory({"--budget=100", "P"}, fittingFiles);
  EXPECT_EQ(fits.status, 0);
  EXPECT_EQ(fits.err, "");
  MemoryFileSystem files =
      project(starting("Dim S(1 To 14) As Byte\n", "S") +
              "Sub Later()\n  CallTask \"Worker\", Gone\nEnd Sub\n");
  const testing::MemoryRun fails =
      testing::runInMemory({"--budget=100", "P"}, files);
  EXPECT_EQ(fails.status, 2);
  EXPECT_EQ(fails.err,
            "Task A.Worker needs 15 bytes of stack, but S holds 14 bytes.\n"
            "The stack of task A.Worker cannot be checked: no array Gone is "
            "declared.\n");
}

// Bound mode: a task whose need is only a lower bound is too small for an
// array below it and unchecked for one that holds it; the row says so.
TEST(TaskStacksTest, BoundModeRowsSayWhereTheNeedIsOnlyALowerBound) {
  const std::string module =
      "Dim Big(1 To 40) As Byte\nDim Small(1 To 10) As Byte\n"
      "Sub Main()\n  CallTask \"Worker\", Big\n  CallTask \"Worker\", "
      "Small\nEnd Sub\n"
      "Sub Worker()\n  Call Worker\nEnd Sub\n";
  const std::string heading =
      "Task                                Stack array          Declared at  "
      "          Holds  Needs  Spare\n"
      "----------------------------------- -------------------- "
      "---------------------- ------ ------ ------\n";
  struct Case {
    const char* what;
    std::string annotations;  // none: no P.mta
    std::string rows;
  };
  const Case cases[] = {
      {"no depth", "",
       "A.Worker                            Big                  A.bas:1     "
       "               40     15      -  unchecked: needs at least 15\n"
       "A.Worker                            Small                A.bas:2     "
       "               10     15     -5  too small\n"},
      {"a depth", "recursion A.Worker 2\n",
       "A.Worker                            Big                  A.bas:1     "
       "               40     24     16\n"
       "A.Worker                            Small                A.bas:2     "
       "               10     24    -14  too small\n"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files = project(module);
    if (!c.annotations.empty()) files.add("P.mta", c.annotations);
    const testing::MemoryRun run =
        testing::runInMemory({"--bound", "--tasks", "P"}, files);
    const size_t table = run.out.find("Task stacks:\n");
    ASSERT_NE(table, std::string::npos) << c.what;
    EXPECT_EQ(run.out.substr(table), "Task stacks:\n" + heading + c.rows)
        << c.what;
  }
}

}  // namespace
}  // namespace memtally
