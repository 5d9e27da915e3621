#include "analysis/requirement.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace memtally {
namespace {

// The descent written as plain recursion, as a reference for the order of
// visits, the results stored and the calls cut.
uint32_t computeRecursively(RoutineEntry* entry, uint32_t overhead,
                            std::vector<Cut>* cuts) {
  if (entry == nullptr || (entry->flags & ROUTINE_VISITING) != 0) return 0;
  if (entry->totalBytes != 0) return entry->totalBytes;
  entry->flags |= ROUTINE_VISITING;
  uint32_t largest = 0;
  if (entry->calls) {
    for (RoutineEntry* callee : entry->calls->items) {
      if ((callee->flags & ROUTINE_VISITING) != 0) {
        cuts->push_back({entry, callee, 0, {}});
      }
      const uint32_t result = computeRecursively(callee, kCalleeOverhead, cuts);
      if (result > largest) largest = result;
    }
  }
  entry->invocationOverhead = overhead;
  entry->calleeBytes = largest;
  entry->totalBytes =
      overhead + entry->localBytes + entry->paramBytes + largest;
  entry->flags &= ~ROUTINE_VISITING;
  return entry->totalBytes;
}

// Builds the same random call graph, with cycles and tasks, into a table.
void buildRandomGraph(RoutineTable& table, unsigned seed) {
  std::mt19937 random(seed);
  const int count = 2 + static_cast<int>(random() % 10);
  std::vector<RoutineEntry*> entries;
  for (int i = 0; i < count; ++i) {
    RoutineEntry* entry =
        lookupOrAddRoutine(table, "M", "R" + std::to_string(i), true);
    entry->paramBytes = random() % 8;
    entry->localBytes = random() % 40;
    if (random() % 4 == 0) entry->flags |= ROUTINE_TASK;
    entries.push_back(entry);
  }
  const int edges = static_cast<int>(random() % (3 * count));
  for (int i = 0; i < edges; ++i) {
    addCall(table, entries[random() % count], entries[random() % count]);
  }
  ensureRoutineOrder(table);
}

// Runs the task pass and the top request (the first routine, as main) with
// the given computation; returns every stored result, then the calls cut as
// the full names of caller and callee.
std::vector<std::string> runPasses(
    RoutineTable& table,
    uint32_t (*compute)(RoutineEntry*, uint32_t, std::vector<Cut>*)) {
  std::vector<Cut> cuts;
  for (RoutineEntry* entry : table.entries) {
    if ((entry->flags & ROUTINE_TASK) != 0 && entry->totalBytes == 0) {
      compute(entry, kCalleeOverhead, &cuts);
    }
  }
  std::vector<std::string> results = {
      std::to_string(compute(table.entries[0], kMainOverhead, &cuts))};
  for (const RoutineEntry* entry : table.entries) {
    for (const uint32_t figure :
         {entry->invocationOverhead, entry->calleeBytes, entry->totalBytes,
          entry->flags}) {
      results.push_back(std::to_string(figure));
    }
  }
  for (const Cut& cut : cuts) {
    results.push_back(std::string(cut.caller->fullName) + " cuts " +
                      std::string(cut.callee->fullName));
  }
  return results;
}

// A table of routines of module Prog, built by hand.
class RequirementTest : public ::testing::Test {
 protected:
  RoutineEntry* add(const char* name, uint32_t params, uint32_t locals,
                    uint32_t flags = ROUTINE_DEFINED) {
    RoutineEntry* entry = lookupOrAddRoutine(table_, "Prog", name, true);
    entry->flags |= flags;
    entry->paramBytes = params;
    entry->localBytes = locals;
    return entry;
  }

  void call(RoutineEntry* caller, RoutineEntry* callee) {
    addCall(table_, caller, callee);
  }

  // The task pass of a run: every task not reached yet, in table order.
  void computeTasks() {
    ensureRoutineOrder(table_);
    for (size_t i = 0; i < table_.entries.size(); ++i) {
      RoutineEntry* entry = table_.entries[i];
      if ((entry->flags & ROUTINE_TASK) != 0 && entry->totalBytes == 0) {
        computeRequirement(entry, kCalleeOverhead);
      }
    }
  }

  void expectNoneVisiting() {
    for (const RoutineEntry* entry : table_.entries) {
      EXPECT_EQ(entry->flags & ROUTINE_VISITING, 0u) << entry->fullName;
    }
  }

  RoutineTable table_;
};

TEST_F(RequirementTest, NoEntryGivesZero) {
  EXPECT_EQ(computeRequirement(nullptr, kMainOverhead), 0u);
}

TEST_F(RequirementTest, LeafIsOverheadPlusItsOwnBytes) {
  RoutineEntry* leaf = add("Leaf", 3, 5);
  EXPECT_EQ(computeRequirement(leaf, kMainOverhead), 23u);
  EXPECT_EQ(leaf->invocationOverhead, 15u);
  EXPECT_EQ(leaf->calleeBytes, 0u);
  EXPECT_EQ(leaf->totalBytes, 23u);
  EXPECT_EQ(leaf->flags, ROUTINE_DEFINED);
}

TEST_F(RequirementTest, CalleeWithoutSizesCountsOnlyItsOverhead) {
  RoutineEntry* top = add("Main", 0, 0);
  RoutineEntry* bare = add("Bare", 0, 0, 0);
  call(top, bare);
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 24u);
  EXPECT_EQ(bare->totalBytes, 9u);
  EXPECT_EQ(bare->invocationOverhead, 9u);
}

TEST_F(RequirementTest, LargestCalleeWinsInEitherOrder) {
  for (bool largerFirst : {false, true}) {
    RoutineTable table;
    RoutineEntry* top = lookupOrAddRoutine(table, "M", "Top", true);
    RoutineEntry* small = lookupOrAddRoutine(table, "M", "Small", true);
    RoutineEntry* large = lookupOrAddRoutine(table, "M", "Large", true);
    small->localBytes = 11;  // 20 with its overhead
    large->localBytes = 26;  // 35
    addCall(table, top, largerFirst ? large : small);
    addCall(table, top, largerFirst ? small : large);
    EXPECT_EQ(computeRequirement(top, kCalleeOverhead), 44u) << largerFirst;
    EXPECT_EQ(top->calleeBytes, 35u) << largerFirst;
  }
}

TEST_F(RequirementTest, SelfCallAddsNothing) {
  RoutineEntry* self = add("Again", 1, 2);
  call(self, self);
  EXPECT_EQ(computeRequirement(self, kCalleeOverhead), 12u);
  EXPECT_EQ(self->calleeBytes, 0u);
  expectNoneVisiting();
}

TEST_F(RequirementTest, CycleIsCutWhereTheDescentMeetsThePath) {
  RoutineEntry* top = add("Main", 0, 10);
  RoutineEntry* a = add("A", 2, 4);
  RoutineEntry* b = add("B", 1, 3);
  call(top, a);
  call(a, b);
  call(b, a);
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 53u);
  EXPECT_EQ(b->totalBytes, 13u);
  EXPECT_EQ(b->calleeBytes, 0u);
  EXPECT_EQ(a->totalBytes, 28u);
  EXPECT_EQ(a->calleeBytes, 13u);
  EXPECT_EQ(top->calleeBytes, 28u);
  EXPECT_EQ(top->invocationOverhead, 15u);
  expectNoneVisiting();
}

TEST_F(RequirementTest, TaskEnteringTheCycleFirstMovesTheCut) {
  RoutineEntry* top = add("Main", 0, 10);
  RoutineEntry* a = add("A", 2, 4);
  RoutineEntry* b = add("B", 1, 3);
  RoutineEntry* task = add("T", 0, 0, ROUTINE_DEFINED | ROUTINE_TASK);
  call(top, a);
  call(a, b);
  call(b, a);
  call(task, b);
  computeTasks();
  EXPECT_EQ(a->totalBytes, 15u);
  EXPECT_EQ(b->totalBytes, 28u);
  EXPECT_EQ(task->totalBytes, 37u);
  EXPECT_EQ(top->totalBytes, 0u);
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 40u);
  EXPECT_EQ(a->totalBytes, 15u);
  expectNoneVisiting();
}

TEST_F(RequirementTest, DiamondComputesTheSharedCalleeOnce) {
  RoutineEntry* top = add("Main", 0, 0);
  RoutineEntry* left = add("Left", 0, 1);
  RoutineEntry* right = add("Right", 0, 7);
  RoutineEntry* bottom = add("Bottom", 2, 0);
  call(top, left);
  call(top, right);
  call(left, bottom);
  call(right, bottom);
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 15u + 9 + 7 + 11);
  EXPECT_EQ(bottom->totalBytes, 11u);
  EXPECT_EQ(left->totalBytes, 21u);
  EXPECT_EQ(right->totalBytes, 27u);
}

TEST_F(RequirementTest, StoredResultIgnoresALaterOverhead) {
  // main is itself a task, or reached from one: its first computation, with
  // overhead 9, is the one that counts.
  RoutineEntry* top = add("Main", 0, 4, ROUTINE_DEFINED | ROUTINE_TASK);
  computeTasks();
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 13u);
  EXPECT_EQ(top->invocationOverhead, 9u);

  RoutineTable table;
  RoutineEntry* main = lookupOrAddRoutine(table, "Prog", "Main", true);
  RoutineEntry* task = lookupOrAddRoutine(table, "Prog", "T", true);
  main->localBytes = 4;
  addCall(table, task, main);
  EXPECT_EQ(computeRequirement(task, kCalleeOverhead), 22u);
  EXPECT_EQ(computeRequirement(main, kMainOverhead), 13u);
  EXPECT_EQ(main->invocationOverhead, 9u);
}

TEST_F(RequirementTest, TaskReachedByAnEarlierTaskIsNotComputedAgain) {
  RoutineEntry* first = add("A", 0, 1, ROUTINE_DEFINED | ROUTINE_TASK);
  RoutineEntry* second = add("B", 0, 2, ROUTINE_DEFINED | ROUTINE_TASK);
  call(first, second);
  computeTasks();
  EXPECT_EQ(second->totalBytes, 11u);
  EXPECT_EQ(first->totalBytes, 21u);
}

TEST_F(RequirementTest, UnreachedRoutineKeepsZeroes) {
  RoutineEntry* top = add("Main", 0, 0);
  RoutineEntry* lonely = add("Lonely", 4, 4);
  call(lonely, top);
  computeRequirement(top, kMainOverhead);
  EXPECT_EQ(lonely->totalBytes, 0u);
  EXPECT_EQ(lonely->calleeBytes, 0u);
  EXPECT_EQ(lonely->invocationOverhead, 0u);
}

TEST_F(RequirementTest, RoutineOnThePathGivesZero) {
  RoutineEntry* a = add("A", 0, 0);
  a->flags |= ROUTINE_VISITING;
  EXPECT_EQ(computeRequirement(a, kCalleeOverhead), 0u);
  EXPECT_EQ(a->totalBytes, 0u);
}

TEST_F(RequirementTest, SumsWrapAroundInThirtyTwoBits) {
  RoutineEntry* top = add("Main", 0, 0xFFFFFFF0u);
  RoutineEntry* big = add("Big", 0, 0xFFFFFFFFu);  // 8 with its overhead
  call(top, big);
  EXPECT_EQ(big->localBytes + 9u, 8u);
  EXPECT_EQ(computeRequirement(top, kMainOverhead), 0xFFFFFFF0u + 15 + 8);
  EXPECT_EQ(top->calleeBytes, 8u);
}

TEST_F(RequirementTest, TotalWrappingToZeroIsStillComputedOnce) {
  // Each level calls the next twice over (a ladder of diamonds) and every
  // total wraps to 0: computing a routine again on every request would take
  // 2^40 steps.
  std::vector<RoutineEntry*> level;
  for (int i = 0; i <= 40; ++i) {
    level.push_back(add(("L" + std::to_string(i)).c_str(), 0, 0));
  }
  level[40]->localBytes = 0u - 9u;
  for (int i = 0; i < 40; ++i) {
    RoutineEntry* side = add(("S" + std::to_string(i)).c_str(), 0, 0u - 9u);
    call(level[i], side);
    call(level[i], level[i + 1]);
    call(side, level[i + 1]);
    level[i]->localBytes = 0u - 9u;
  }
  EXPECT_EQ(computeRequirement(level[0], kCalleeOverhead), 0u);
  EXPECT_EQ(level[0]->invocationOverhead, 9u);
  expectNoneVisiting();
}

TEST(RequirementOrderTest, SameResultsAsTheRecursiveDescent) {
  for (unsigned seed = 1; seed <= 500; ++seed) {
    RoutineTable own;
    RoutineTable reference;
    buildRandomGraph(own, seed);
    buildRandomGraph(reference, seed);
    EXPECT_EQ(runPasses(own, computeRequirement),
              runPasses(reference, computeRecursively))
        << "seed " << seed;
  }
}

TEST_F(RequirementTest, MillionRoutineChainDoesNotExhaustTheStack) {
  constexpr int kCount = 1000000;
  std::vector<RoutineEntry*> chain;
  chain.reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    chain.push_back(
        lookupOrAddRoutine(table_, "Chain", "R" + std::to_string(i), true));
  }
  for (int i = 0; i + 1 < kCount; ++i) call(chain[i], chain[i + 1]);
  call(chain[kCount - 1], chain[0]);  // and back to the start
  chain[kCount - 1]->localBytes = 5;
  EXPECT_EQ(computeRequirement(chain[0], kMainOverhead),
            15u + 9u * (kCount - 1) + 5);
  EXPECT_EQ(chain[kCount - 1]->totalBytes, 14u);
  EXPECT_EQ(chain[1]->totalBytes, 9u * (kCount - 1) + 5);
  EXPECT_EQ(chain[kCount / 2]->flags & ROUTINE_VISITING, 0u);
}

}  // namespace
}  // namespace memtally
