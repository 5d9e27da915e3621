// Bound mode's totals and statuses: each formula on a small project, the
// annotations' errors and warnings, and the gate.
#include "analysis/bound.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analysis/pipeline.h"
#include "base/fatal.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

// A project P of modules A.bas and B.bas whose map gives each routine named
// in `sizes` (full name, parameter bytes) that many parameter bytes.
MemoryFileSystem project(const std::string& a, const std::string& b,
                         const std::map<std::string, int>& sizes,
                         const std::string& annotations = "") {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\nB.bas\n");
  files.add("A.bas", a);
  files.add("B.bas", b);
  std::string map =
      "RAM allocated: 10 bytes\n\nFORMAL PARAMETERS\n"
      "  Address  Size  Name\n  -------  ----  ----\n";
  for (const auto& [name, bytes] : sizes) {
    map += "      400     " + std::to_string(bytes) + "  " + name + ".X\n";
  }
  files.add("P.mpp", map + "\nLOCAL VARIABLES\n\nCODE MEMORY\n");
  if (!annotations.empty()) files.add("P.mta", annotations);
  return files;
}

Analysis analyzeBound(MemoryFileSystem& files,
                      std::optional<std::string> target = {}) {
  QuietProgress progress;
  std::optional<Analysis> analysis = analyzeProject(
      files, progress, testing::fixedTime, {"P", target, 0, true, {}});
  return std::move(*analysis);
}

// The total and status of every routine bound mode reached, by full name.
std::map<std::string, std::pair<uint32_t, BoundStatus>> totals(
    const Analysis& analysis) {
  std::map<std::string, std::pair<uint32_t, BoundStatus>> found;
  for (const RoutineEntry* entry : analysis.table->entries) {
    if (entry->invocationOverhead == 0) continue;
    found[std::string(entry->fullName)] = {entry->totalBytes, entry->bound};
  }
  return found;
}

constexpr BoundStatus kExact = BoundStatus::kExact;
constexpr BoundStatus kBounded = BoundStatus::kBounded;
constexpr BoundStatus kAtLeast = BoundStatus::kAtLeast;

TEST(BoundTest, EachFormulaOnASmallProject) {
  struct Case {
    const char* name;
    std::string a;
    std::string b;
    std::map<std::string, int> sizes;
    std::string annotations;
    std::map<std::string, std::pair<uint32_t, BoundStatus>> expected;
  };
  const std::string leaf = "Sub Leaf()\nEnd Sub\n";  // frame 9
  const Case cases[] = {
      {"plain calls are exact; main's own frame holds 6 bytes more",
       "Sub Main()\nCall Mid\nEnd Sub\nSub Mid()\nCall Leaf\nEnd Sub\n", leaf,
       {{"A.Mid", 2}},
       "",
       {{"A.Main", {15 + 11 + 9, kExact}},
        {"A.Mid", {20, kExact}},
        {"B.Leaf", {9, kExact}}}},
      {"self-recursion without a depth counts once and is a lower bound",
       "Sub Main()\nCall R\nEnd Sub\nSub R()\nCall R\nCall Leaf\nEnd Sub\n",
       leaf,
       {{"A.R", 2}},
       "",
       {{"A.Main", {15 + 20, kAtLeast}},
        {"A.R", {11 + 9, kAtLeast}},
        {"B.Leaf", {9, kExact}}}},
      {"self-recursion with a depth: depth x frame + what it calls",
       "Sub Main()\nCall R\nEnd Sub\nSub R()\nCall R\nCall Leaf\nEnd Sub\n",
       leaf,
       {{"A.R", 2}},
       "recursion R 10\n",
       {{"A.Main", {15 + 119, kBounded}},
        {"A.R", {10 * 11 + 9, kBounded}},
        {"B.Leaf", {9, kExact}}}},
      {"a cycle of three takes its largest frame",
       "Sub Main()\nCall X\nEnd Sub\nSub X()\nCall Y\nEnd Sub\n"
       "Sub Y()\nCall Z\nEnd Sub\nSub Z()\nCall X\nCall Leaf\nEnd Sub\n",
       leaf,
       {{"A.Y", 1}, {"A.Z", 3}},
       "recursion A.Y 4\n",
       {{"A.Main", {15 + 4 * 12 + 9, kBounded}},
        {"A.X", {4 * 12 + 9, kBounded}},
        {"A.Y", {4 * 12 + 9, kBounded}},
        {"A.Z", {4 * 12 + 9, kBounded}},
        {"B.Leaf", {9, kExact}}}},
      {"two recursions, one below the other",
       "Sub Main()\nCall X\nEnd Sub\nSub X()\nCall Y\nEnd Sub\n"
       "Sub Y()\nCall X\nCall U\nEnd Sub\n",
       "Sub U()\nCall V\nEnd Sub\nSub V()\nCall U\nEnd Sub\n",
       {{"B.V", 1}},
       "recursion X 2\nrecursion B.U 3\n",
       {{"A.Main", {15 + 2 * 9 + 3 * 10, kBounded}},
        {"A.X", {2 * 9 + 30, kBounded}},
        {"A.Y", {2 * 9 + 30, kBounded}},
        {"B.U", {30, kBounded}},
        {"B.V", {30, kBounded}}}},
      {"a stack annotation closes a recursion",
       "Sub Main()\nCall X\nEnd Sub\nSub X()\nCall Y\nEnd Sub\n"
       "Sub Y()\nCall X\nEnd Sub\n",
       leaf,
       {},
       "stack Y 50\n",
       {{"A.Main", {15 + 9 + 50, kBounded}},
        {"A.X", {59, kBounded}},
        {"A.Y", {50, kBounded}}}},
      {"a stack annotation below what the routine calls is raised",
       "Sub Main()\nCall Y\nEnd Sub\nSub Y()\nCall Leaf\nEnd Sub\n", leaf,
       {},
       "stack Y 5\n",
       {{"A.Main", {15 + 18, kBounded}},
        {"A.Y", {18, kBounded}},
        {"B.Leaf", {9, kExact}}}},
      {"external routines count their size, or nothing and at least",
       "Sub Main()\nCall Y\nCall Z\nEnd Sub\nSub Y()\nEnd Sub\n"
       "Sub Z()\nEnd Sub\n",
       leaf,
       {},
       "calls Y Delay\ncalls Z PutPin\nstack Delay 12\n",
       {{"A.Main", {15 + 21, kAtLeast}},
        {"A.Y", {21, kBounded}},
        {"A.Z", {9, kAtLeast}}}},
      {"a task calling main counts main's frame as a call",
       "Sub Main()\nCallTask \"T\", S\nEnd Sub\nSub T()\nCall Main\nEnd Sub\n",
       leaf,
       {},
       "",
       {{"A.Main", {15, kExact}}, {"A.T", {18, kExact}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files = project(c.a, c.b, c.sizes, c.annotations);
    const Analysis analysis = analyzeBound(files);
    EXPECT_EQ(totals(analysis), c.expected);
    ASSERT_NE(analysis.top, nullptr);
    EXPECT_EQ(analysis.total, analysis.top->totalBytes);
  }
}

TEST(BoundTest, RecursionsAreRecordedWithTheirMembersDepthAndCallsOut) {
  MemoryFileSystem files = project(
      "Sub Main()\nCall X\nEnd Sub\nSub X()\nCall Y\nEnd Sub\n"
      "Sub Y()\nCall X\nCall Leaf\nEnd Sub\n",
      "Sub Leaf()\nEnd Sub\n", {{"A.Y", 4}}, "recursion A.X 3\n");
  const Analysis analysis = analyzeBound(files);
  ASSERT_EQ(analysis.bound.recursions.size(), 1u);
  const Recursion& recursion = analysis.bound.recursions[0];
  ASSERT_EQ(recursion.members.size(), 2u);
  EXPECT_EQ(recursion.members[0]->fullName, "A.X");
  EXPECT_EQ(recursion.members[1]->fullName, "A.Y");
  EXPECT_EQ(recursion.depth, std::optional<uint32_t>(3));
  EXPECT_EQ(recursion.largestFrame, 13u);
  EXPECT_EQ(recursion.outsideBytes, 9u);
  ASSERT_NE(recursion.worstOutside, nullptr);
  EXPECT_EQ(recursion.worstOutside->fullName, "B.Leaf");
  EXPECT_EQ(recursion.totalBytes, 48u);
  EXPECT_EQ(recursionOf(analysis, *recursion.members[1]), &recursion);
  EXPECT_TRUE(analysis.bound.annotations[0].used);
}

// Runs the tool and returns standard error and the status.
std::pair<std::string, int> errorsOf(MemoryFileSystem& files,
                                     std::vector<std::string> args) {
  args.push_back("P");
  const testing::MemoryRun run = testing::runInMemory(args, files);
  return {run.err, run.status};
}

TEST(BoundTest, AnnotationErrorsAreAllListedAndEndTheRun) {
  MemoryFileSystem files = project(
      "Sub Main()\nCall Send\nEnd Sub\nPublic Sub Send()\nCall Send\nEnd Sub\n"
      "Sub R()\nCall S\nEnd Sub\nSub S()\nCall R\nEnd Sub\n",
      "Public Sub Send()\nEnd Sub\n", {},
      "recursion Nowhere 2\n"
      "stack Send 4\n"
      "stack A.Send 4\n"
      "stack a.send 5\n"
      "calls Ghost Delay\n");
  const auto [err, status] = errorsOf(files, {"--bound"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "P.mta:1:11: error: Nowhere is no routine of the project\n"
            "P.mta:2:7: error: Send is defined by several modules (A.Send, "
            "B.Send); name one as Module.Routine\n"
            "P.mta:4:7: error: a second stack annotation for A.Send; the "
            "first is on line 3\n"
            "P.mta:5:7: error: Ghost is no routine of the project\n");
}

TEST(BoundTest, DepthsThatDisagreeWithinOneRecursionAreAnError) {
  MemoryFileSystem files = project(
      "Sub Main()\nCall R\nEnd Sub\nSub R()\nCall S\nEnd Sub\n"
      "Sub S()\nCall R\nEnd Sub\n",
      "", {}, "recursion R 2\nrecursion S 3\n");
  const auto [err, status] = errorsOf(files, {"--bound"});
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err,
            "P.mta:2:11: error: the depth 3 of A.S disagrees with the depth 2 "
            "given on line 1 to the same recursion\n");
}

TEST(BoundTest, NamedAnnotationFileMustExistAndTheProjectsOwnIsOptional) {
  MemoryFileSystem files =
      project("Sub Main()\nEnd Sub\n", "", {});
  EXPECT_EQ(errorsOf(files, {"--annotations=X.mta"}),
            std::make_pair(
                std::string("Can't open the annotation file \"X.mta\".\n"), 1));
  EXPECT_EQ(errorsOf(files, {"--bound"}).second, 0);
}

TEST(BoundTest, StaleAndBelowAnnotationsAreWarnedAbout) {
  MemoryFileSystem files = project(
      "Sub Main()\nCall Y\nEnd Sub\nSub Y()\nCall Leaf\nEnd Sub\n"
      "Sub Lonely()\nEnd Sub\n",
      "Sub Leaf()\nEnd Sub\n", {},
      "recursion Y 3\nstack Lonely 8\nstack Nothing 4\nstack Y 2\n");
  const auto [err, status] = errorsOf(files, {"--bound", "--check"});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err,
            "P.mta:1:11: warning: A.Y is in no recursion, so its depth "
            "changes nothing\n"
            "P.mta:2:7: warning: nothing calls A.Lonely, so its stack size "
            "changes nothing\n"
            "P.mta:3:7: warning: nothing in the project calls Nothing, so its "
            "stack size changes nothing\n"
            "P.mta:4:7: warning: A.Y needs at least 18 bytes (its frame and "
            "the largest total it calls outside its recursion), more than the "
            "2 this annotation gives; 18 is counted\n");
}

TEST(BoundTest, GatePassesOnlyAProvenFit) {
  struct Case {
    const char* name;
    std::string annotations;
    std::string budget;
    int status;
    std::string err;
  };
  const std::string a =
      "Sub Main()\nCall R\nEnd Sub\nSub R()\nCall R\nEnd Sub\n";
  const Case cases[] = {
      {"a lower bound within the budget cannot be checked", "", "--budget=100",
       2,
       "Estimated RAM use of at least 34 bytes against the budget of 100 "
       "bytes cannot be checked: the estimate is only a lower bound (--check "
       "names what it cannot see).\n"},
      {"a lower bound beyond the budget is over it", "", "--budget=30", 2,
       "Estimated RAM use of at least 34 bytes exceeds the budget of 30 "
       "bytes.\n"},
      {"a bound within the budget passes", "recursion R 5\n", "--budget=100",
       0, ""},
      {"a bound beyond the budget fails", "recursion R 5\n", "--budget=69", 2,
       "Estimated RAM use of 70 bytes exceeds the budget of 69 bytes.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files = project(a, "", {}, c.annotations);
    EXPECT_EQ(errorsOf(files, {"--bound", c.budget}),
              std::make_pair(c.err, c.status));
  }
}

TEST(BoundTest, SummarySaysWhatKindOfBoundTheTotalIs) {
  const std::string a =
      "Sub Main()\nCall R\nEnd Sub\nSub R()\nCall R\nEnd Sub\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "34\nThis total is a lower bound: 1 recursion without a depth lies "
           "below it (--check names them).\n"},
      {"recursion R 2\n",
       "43\nThis total is an upper bound given the annotations of P.mta.\n"},
  };
  for (const auto& [annotations, line] : cases) {
    MemoryFileSystem files = project(a, "", {}, annotations);
    const testing::MemoryRun run = testing::runInMemory({"--bound", "P"}, files);
    EXPECT_NE(run.out.find("Total:   " + line), std::string::npos)
        << run.out;
  }
  MemoryFileSystem plain = project("Sub Main()\nEnd Sub\n", "", {});
  EXPECT_NE(testing::runInMemory({"--bound", "P"}, plain)
                .out.find("This total is an upper bound.\n"),
            std::string::npos);
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

TEST(BoundTest, CheckNamesWhatBoundModeCannotSeeInsteadOfWhatItResolves) {
  MemoryFileSystem files = project(
      "Sub Main()\n  Delay 1\n  x = GetADC(3)\n  Call R\n  B.Helper\n"
      "  CallTask \"Helper\", S\nEnd Sub\nSub R()\n  R\n  Delay 2\nEnd Sub\n",
      "Public Sub Helper()\nEnd Sub\n", {}, "stack GetADC 4\n");
  const auto [err, status] = errorsOf(files, {"--bound", "--check"});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err,
            "A.bas:2:3: warning: Delay is no routine of the project, so its "
            "calls count 0 bytes and every total above them is a lower bound; "
            "give its stack with a line \"stack Delay BYTES\" in P.mta\n"
            "A.bas:6:3: warning: the stack of task B.Helper cannot be checked: "
            "no array S is declared\n"
            "A.bas:8:5: warning: A.R calls itself; without a depth the "
            "recursion counts once, so every total above it is a lower bound; "
            "give its depth with a line \"recursion A.R DEPTH\" in P.mta\n");
}

TEST(BoundTest, GateFailsATaskWhoseNeedIsOnlyALowerBound) {
  MemoryFileSystem files = project(
      "Dim S(1 To 40) As Byte\nSub Main()\n  CallTask \"T\", S\nEnd Sub\n"
      "Sub T()\n  Delay 1\nEnd Sub\n",
      "", {});
  EXPECT_EQ(errorsOf(files, {"--bound", "--budget=400"}),
            std::make_pair(std::string("The stack of task A.T cannot be "
                                       "checked: its need of at least 15 "
                                       "bytes is only a lower bound.\n"),
                           2));
  files.add("P.mta", "stack Delay 30\n");
  EXPECT_EQ(errorsOf(files, {"--bound", "--budget=400"}),
            std::make_pair(std::string("Task A.T needs 45 bytes of stack, but "
                                       "S holds 40 bytes.\n"),
                           2));
}

}  // namespace
}  // namespace memtally
