#include "report/listings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/bound.h"
#include "analysis/requirement.h"

namespace memtally {
namespace {

const char kDetailedHeading[] =
    "\n"
    "                       Detailed Analysis\n"
    "             (N.B. invocation overhead is 9 bytes)\n"
    "Sub/Function                        Params Locals Callees  Total\n"
    "----------------------------------- ------ ------ ------- ------\n";

// A hand-built table; calls record both the call and the caller.
class ListingsTest : public ::testing::Test {
 protected:
  RoutineEntry* add(const char* module, const char* name, uint32_t params = 0,
                    uint32_t locals = 0, uint32_t flags = ROUTINE_DEFINED) {
    RoutineEntry* entry = lookupOrAddRoutine(table_, module, name, true);
    entry->flags |= flags;
    entry->paramBytes = params;
    entry->localBytes = locals;
    return entry;
  }

  void call(RoutineEntry* caller, RoutineEntry* callee) {
    addCall(table_, caller, callee, true);
  }

  // The computations of a run: tasks in table order, then main.
  void compute(RoutineEntry* top) {
    ensureRoutineOrder(table_);
    for (size_t i = 0; i < table_.entries.size(); ++i) {
      RoutineEntry* entry = table_.entries[i];
      if ((entry->flags & ROUTINE_TASK) != 0 && entry->totalBytes == 0) {
        computeRequirement(entry, kCalleeOverhead);
      }
    }
    computeRequirement(top, kMainOverhead);
  }

  std::string detailed() {
    StringConsole console;
    printDetailedAnalysis(table_, console);
    return console.stdoutText();
  }
  // Like the report, the callers listing follows the unused listing's
  // order once that has been printed.
  std::string unused() {
    StringConsole console;
    order_ = fullNameOrder(table_);
    printUnusedRoutines(order_, console);
    return console.stdoutText();
  }
  std::string callers() {
    StringConsole console;
    if (order_.empty()) order_.assign(table_.entries.begin(), table_.entries.end());
    printCallers(order_, console);
    order_.clear();
    return console.stdoutText();
  }

  // Main calls A, A calls B, B calls A, all in module Prog.
  RoutineEntry* buildCycle() {
    RoutineEntry* main = add("Prog", "Main", 0, 10);
    RoutineEntry* a = add("Prog", "A", 2, 4);
    RoutineEntry* b = add("Prog", "B", 1, 3);
    call(main, a);
    call(a, b);
    call(b, a);
    return main;
  }

  RoutineTable table_;
  std::vector<const RoutineEntry*> order_;  // the callers listing's order
};

TEST_F(ListingsTest, DetailedListingOfTheCycle) {
  compute(buildCycle());
  EXPECT_EQ(
      detailed(),
      std::string(kDetailedHeading) +
          "Prog.A                                   2      4      13     28\n"
          "  Prog.B                                                      13\n"
          "\n"
          "Prog.B                                   1      3       0     13\n"
          "  Prog.A                                                      28\n"
          "\n"
          "Prog.Main                                0     10      28     53\n"
          "  Prog.A                                                      28\n");
}

TEST_F(ListingsTest, TaskBlockShowsEveryTaskWithTotalPlusSix) {
  RoutineEntry* main = buildCycle();
  RoutineEntry* task = add("Prog", "T", 0, 0, ROUTINE_DEFINED | ROUTINE_TASK);
  add("Other", "Idle", 0, 0, ROUTINE_DEFINED | ROUTINE_TASK);
  call(task, lookupOrAddRoutine(table_, "Prog", "B", false));
  compute(main);
  EXPECT_EQ(
      detailed(),
      std::string(kDetailedHeading) +
          "Prog.A                                   2      4       0     15\n"
          "  Prog.B                                                      28\n"
          "\n"
          "Prog.B                                   1      3      15     28\n"
          "  Prog.A                                                      15\n"
          "\n"
          "Other.Idle                               0      0       0      9\n"
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
          "  Other.Idle                             15 bytes\n"
          "  Prog.T                                 43 bytes\n");
}

TEST_F(ListingsTest, SkippedFirstEntryLeavesAnEmptyLineUnderTheRule) {
  RoutineEntry* early = add("Prog", "Aardvark", 1, 1);
  RoutineEntry* main = add("Prog", "Main", 0, 2);
  compute(main);
  const std::string row =
      "Prog.Main                                0      2       0     17\n";
  EXPECT_EQ(detailed(), std::string(kDetailedHeading) + "\n" + row);

  // Computed, the first entry's row follows the rule directly.
  computeRequirement(early, kCalleeOverhead);
  EXPECT_EQ(detailed(),
            std::string(kDetailedHeading) +
                "Prog.Aardvark                            1      1       0    "
                " 11\n\n" +
                row);
}

TEST_F(ListingsTest, CalleesByLargerTotalThenRoutineName) {
  RoutineEntry* main = add("Prog", "Main");
  RoutineEntry* beta = add("X", "Beta", 0, 11);    // 20
  RoutineEntry* alpha = add("Y", "alpha", 0, 11);  // 20
  RoutineEntry* gamma = add("Z", "Gamma", 0, 26);  // 35
  call(main, beta);
  call(main, alpha);
  call(main, gamma);
  compute(main);
  const std::string text = detailed();
  EXPECT_NE(
      text.find(
          "  Z.Gamma                                                     35\n"
          "  Y.alpha                                                     20\n"
          "  X.Beta                                                      20\n"),
      std::string::npos)
      << text;
}

// Bound mode: external routines join the callees by their annotated size,
// after routines of the same total; those without a size come last as "?".
TEST_F(ListingsTest, ExternalCalleesJoinByTheirSize) {
  RoutineEntry* main = add("Prog", "Main");
  call(main, add("X", "Beta", 0, 11));   // 20
  call(main, add("Z", "Gamma", 0, 26));  // 35
  compute(main);
  BoundFacts bound;
  const std::string longName(40, 'L');
  for (const std::string& name :
       {std::string("Unsized"), std::string("Delay"), longName,
        std::string("Tiny")}) {
    bound.externals.record(*main, name, std::nullopt);
  }
  bound.externalBytes = {std::nullopt, 20, 100, 3};
  StringConsole console;
  printDetailedAnalysis(table_, console, &bound);
  EXPECT_NE(console.stdoutText().find(
                "  " + longName.substr(0, 33) +
                "                          100\n"
                "  Z.Gamma                                                     35\n"
                "  X.Beta                                                      20\n"
                "  Delay                                                       20\n"
                "  Tiny                                                         3\n"
                "  Unsized                                                      ?\n"),
            std::string::npos)
      << console.stdoutText();
  // Without bound mode's facts the listing has routines only.
  EXPECT_EQ(detailed().find("Delay"), std::string::npos);
}

TEST_F(ListingsTest, CallersByRoutineNameThenFullName) {
  RoutineEntry* target = add("Prog", "Target");
  call(add("B", "Zeta"), target);
  call(add("A", "Zeta"), target);
  call(add("C", "alpha"), target);
  EXPECT_EQ(callers(),
            "\n\nRoutines and their callers:\n"
            "----------------------------------\n"
            "Prog.Target\n"
            "  C.alpha\n"
            "  A.Zeta\n"
            "  B.Zeta\n");
}

TEST_F(ListingsTest, CallersListingOfTheCycle) {
  compute(buildCycle());
  EXPECT_EQ(callers(),
            "\n\nRoutines and their callers:\n"
            "----------------------------------\n"
            "Prog.A\n"
            "  Prog.B\n"
            "  Prog.Main\n"
            "\n"
            "Prog.B\n"
            "  Prog.A\n");
}

TEST_F(ListingsTest, UnusedListingReordersTheCallersListing) {
  RoutineEntry* main = add("Main", "Main");
  RoutineEntry* start = add("Zed", "Start");
  RoutineEntry* zedInit = add("Zed", "Init");
  RoutineEntry* alphaInit = add("Alpha", "Init");
  call(main, start);
  call(main, alphaInit);
  call(start, zedInit);
  compute(main);
  const std::string routineOrder =
      "\n\nRoutines and their callers:\n"
      "----------------------------------\n"
      "Zed.Init\n  Zed.Start\n\n"
      "Alpha.Init\n  Main.Main\n\n"
      "Zed.Start\n  Main.Main\n";
  EXPECT_EQ(callers(), routineOrder);
  // Every routine was reached: nothing is printed, but the callers listing
  // that follows is by full name.
  EXPECT_EQ(unused(), "");
  EXPECT_EQ(callers(),
            "\n\nRoutines and their callers:\n"
            "----------------------------------\n"
            "Alpha.Init\n  Main.Main\n\n"
            "Zed.Init\n  Zed.Start\n\n"
            "Zed.Start\n  Main.Main\n");
}

TEST_F(ListingsTest, UnreachedRoutinesAreUnusedYetKeepTheirCallers) {
  RoutineEntry* main = add("Prog", "Main");
  RoutineEntry* spare = add("Prog", "Spare", 1, 1);
  RoutineEntry* helper = add("Lib", "Helper");
  call(spare, helper);
  compute(main);
  EXPECT_EQ(detailed(), std::string(kDetailedHeading) +
                            "\n"
                            "Prog.Main                                0      "
                            "0       0     15\n");
  EXPECT_EQ(unused(),
            "\n\nUnused Routines:\n"
            "----------------------------------\n"
            "Lib.Helper\n"
            "Prog.Spare\n");
  EXPECT_EQ(callers(),
            "\n\nRoutines and their callers:\n"
            "----------------------------------\n"
            "Lib.Helper\n"
            "  Prog.Spare\n");
}

TEST_F(ListingsTest, LongNamesAreCutOnlyInTheDetailedListing) {
  const char* longName = "ComputeTheRunningAverageOfAllSensors";  // 36
  RoutineEntry* main = add("Prog", "Main");
  RoutineEntry* task = add("Prog", longName, 0, 0, ROUTINE_TASK);
  RoutineEntry* spare = add("Prog", "SpareRoutineWithAVeryLongDescriptiveName");
  call(main, task);
  call(spare, main);
  compute(main);
  const std::string text = detailed();
  // Row: 35 characters; callee and task lines: 33.
  EXPECT_NE(text.find("\nProg.ComputeTheRunningAverageOfAllS      0      0     "
                      "  0      9\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n  Prog.ComputeTheRunningAverageOfAl                   "
                      "         9\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n  Prog.ComputeTheRunningAverageOfAl      15 bytes\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(unused(),
            "\n\nUnused Routines:\n"
            "----------------------------------\n"
            "Prog.SpareRoutineWithAVeryLongDescriptiveName\n");
  EXPECT_EQ(callers(),
            "\n\nRoutines and their callers:\n"
            "----------------------------------\n"
            "Prog.ComputeTheRunningAverageOfAllSensors\n"
            "  Prog.Main\n"
            "\n"
            "Prog.Main\n"
            "  Prog.SpareRoutineWithAVeryLongDescriptiveName\n");
}

TEST_F(ListingsTest, WideNumbersMoveTheRestOfTheRow) {
  RoutineEntry* main = add("Prog", "Main", 1234567, 0);
  compute(main);
  EXPECT_EQ(detailed(),
            std::string(kDetailedHeading) +
                "Prog.Main                           1234567      0       0 "
                "1234582\n");
}

TEST_F(ListingsTest, EmptyTablePrintsOnlyTheDetailedHeading) {
  EXPECT_EQ(detailed(), kDetailedHeading);
  EXPECT_EQ(unused(), "");
  EXPECT_EQ(callers(), "");
}

TEST(ListingOrderTest, ComparisonsFoldCaseAndOrderTheirKeys) {
  RoutineTable table;
  auto make = [&table](const char* module, const char* name, uint32_t total) {
    RoutineEntry* entry = lookupOrAddRoutine(table, module, name, true);
    entry->totalBytes = total;
    return entry;
  };
  const RoutineEntry& bigB = *make("Zed", "b", 30);
  const RoutineEntry& smallA = *make("Abc", "A", 20);
  const RoutineEntry& smallAOther = *make("abd", "a", 20);
  const RoutineEntry& underscore = *make("Abc", "a_b", 20);
  const RoutineEntry& upperZ = *make("Abc", "aZ", 20);

  EXPECT_LT(compareByTotal(bigB, smallA), 0);  // larger total first
  EXPECT_GT(compareByTotal(smallA, bigB), 0);
  EXPECT_LT(compareByTotal(smallA, smallAOther), 0);  // full name decides
  EXPECT_LT(compareByTotal(underscore, upperZ), 0);   // '_' below letters
  EXPECT_EQ(compareByTotal(smallA, smallA), 0);

  EXPECT_LT(compareByRoutineName(smallA, bigB), 0);  // total ignored
  EXPECT_LT(compareByRoutineName(smallAOther, underscore), 0);
  EXPECT_LT(compareByRoutineName(smallA, smallAOther), 0);

  EXPECT_LT(compareByFullName(smallA, underscore), 0);   // Abc.A < Abc.a_b
  EXPECT_LT(compareByFullName(upperZ, smallAOther), 0);  // Abc.aZ < abd.a
  EXPECT_GT(compareByFullName(bigB, smallA), 0);
}

TEST(ListingOrderTest, EqualFullNamesKeepTheirRoutineOrder) {
  // Module Io.Serial with routine Open and module Io with routine
  // Serial.Open: the same full name, two routines.
  RoutineTable table;
  RoutineEntry* dottedRoutine =
      lookupOrAddRoutine(table, "Io", "Serial.Open", true);
  RoutineEntry* dottedModule =
      lookupOrAddRoutine(table, "Io.Serial", "Open", true);
  RoutineEntry* first = lookupOrAddRoutine(table, "Aa", "Zz", true);
  ensureRoutineOrder(table);
  ASSERT_EQ(table.entries[0], dottedModule);  // routine Open sorts first
  EXPECT_EQ(compareByFullName(*dottedModule, *dottedRoutine), 0);
  StringConsole console;
  const std::vector<const RoutineEntry*> order = fullNameOrder(table);
  printUnusedRoutines(order, console);
  EXPECT_EQ(order, (std::vector<const RoutineEntry*>{first, dottedModule,
                                                     dottedRoutine}));
  EXPECT_EQ(console.stdoutText(),
            "\n\nUnused Routines:\n"
            "----------------------------------\n"
            "Aa.Zz\n"
            "Io.Serial.Open\n"
            "Io.Serial.Open\n");
}

}  // namespace
}  // namespace memtally
