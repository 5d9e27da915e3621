#include "routines/routine_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/chars.h"
#include "base/fatal.h"

namespace memtally {
namespace {

std::vector<std::string> fullNames(RoutineTable& table) {
  ensureRoutineOrder(table);
  std::vector<std::string> names;
  for (const RoutineEntry* entry : table.entries) {
    names.push_back(foldedCopy(entry->fullName));
  }
  return names;
}

RoutineEntry* add(RoutineTable& table, const char* module, const char* name,
                  uint32_t flags = ROUTINE_DEFINED) {
  RoutineEntry* entry = lookupOrAddRoutine(table, module, name, true);
  entry->flags |= flags;
  return entry;
}

TEST(RoutineTableTest, EmptyNamesFindAndCreateNothing) {
  RoutineTable table;
  EXPECT_EQ(lookupOrAddRoutine(table, "", "Foo", true), nullptr);
  EXPECT_EQ(lookupOrAddRoutine(table, "Main", "", true), nullptr);
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.capacity, 0);
}

TEST(RoutineTableTest, LookupIgnoresCaseAndKeepsTheFirstSpelling) {
  RoutineTable table;
  RoutineEntry* foo = lookupOrAddRoutine(table, "Main", "Foo", true);
  ASSERT_NE(foo, nullptr);
  EXPECT_EQ(lookupOrAddRoutine(table, "MAIN", "FOO", true), foo);
  EXPECT_EQ(lookupOrAddRoutine(table, "main", "foo", false), foo);
  EXPECT_EQ(foo->fullName, "Main.Foo");
  EXPECT_EQ(foo->nameOffset, 5);
  EXPECT_EQ(foo->moduleName(), "Main");
  EXPECT_EQ(foo->routineName(), "Foo");
  EXPECT_EQ(table.count(), 1);
  EXPECT_EQ(foo->flags, 0u);
  EXPECT_EQ(foo->totalBytes, 0u);
  EXPECT_EQ(foo->calls, nullptr);
}

TEST(RoutineTableTest, DottedPartsStayApartInTheKey) {
  // Module Io.Serial with routine Open and module Io with routine Serial.Open
  // share their full name but are two routines.
  RoutineTable table;
  RoutineEntry* a = lookupOrAddRoutine(table, "Io.Serial", "Open", true);
  RoutineEntry* b = lookupOrAddRoutine(table, "Io", "Serial.Open", true);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->fullName, b->fullName);
  EXPECT_EQ(lookupOrAddRoutine(table, "io", "serial.open", false), b);
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "X", "Serial.Open"), b);
}

TEST(RoutineTableTest, MissingRoutineWithoutCreateLeavesTableAlone) {
  RoutineTable table;
  add(table, "Main", "Foo");
  EXPECT_EQ(lookupOrAddRoutine(table, "Main", "Bar", false), nullptr);
  EXPECT_EQ(table.count(), 1);
}

TEST(RoutineTableTest, LookupsHoppingBetweenModulesFindEachModulesOwn) {
  // Each module keeps its own routines; a lookup in another module than the
  // last one must not see the last module's routines, whatever the case.
  RoutineTable table;
  RoutineEntry* ax = add(table, "A", "X");
  RoutineEntry* bx = add(table, "B", "X");
  RoutineEntry* ay = add(table, "a", "Y");
  EXPECT_NE(ax, bx);
  EXPECT_EQ(lookupOrAddRoutine(table, "B", "Y", false), nullptr);
  EXPECT_EQ(lookupOrAddRoutine(table, "A", "y", false), ay);
  EXPECT_EQ(lookupOrAddRoutine(table, "b", "x", false), bx);
  EXPECT_EQ(lookupOrAddRoutine(table, "C", "X", false), nullptr);
  EXPECT_EQ(lookupOrAddRoutine(table, "AB", "X", false), nullptr);
  EXPECT_EQ(lookupOrAddRoutine(table, "a", "X", false), ax);
  EXPECT_EQ(table.count(), 3);
  // Many modules and many routines in one module, added in turns.
  for (int i = 0; i < 300; ++i) {
    const std::string name = "R" + std::to_string(i);
    add(table, ("M" + std::to_string(i % 7)).c_str(), name.c_str());
    add(table, "Big", name.c_str());
  }
  EXPECT_EQ(table.count(), 603);
  for (int i = 0; i < 300; ++i) {
    const std::string name = "r" + std::to_string(i);
    const std::string module = "m" + std::to_string(i % 7);
    RoutineEntry* own = lookupOrAddRoutine(table, module, name, false);
    ASSERT_NE(own, nullptr) << module << "." << name;
    EXPECT_EQ(own->moduleName(), "M" + std::to_string(i % 7));
    EXPECT_EQ(lookupOrAddRoutine(table, "m" + std::to_string((i + 1) % 7), name,
                                 false),
              nullptr);
    EXPECT_NE(lookupOrAddRoutine(table, "BIG", name, false), nullptr);
  }
}

TEST(RoutineTableTest, RoutineOrderIsNameThenModuleLengthThenModule) {
  RoutineTable table;
  add(table, "Alpha", "Init");
  add(table, "Zed", "Init");
  add(table, "M", "abc");
  add(table, "M", "Ab");
  add(table, "M", "aZ");
  add(table, "M", "a_b");
  add(table, "beta", "Init");
  EXPECT_EQ(fullNames(table),
            (std::vector<std::string>{"m.a_b", "m.ab", "m.abc", "m.az",
                                      "zed.init", "beta.init", "alpha.init"}));
}

TEST(RoutineTableTest, ShuffledInsertionEndsInTheSameOrder) {
  std::vector<std::pair<std::string, std::string>> names;
  for (int m = 0; m < 30; ++m) {
    for (int r = 0; r < 40; ++r) {
      names.emplace_back("Mod" + std::string(m % 4, 'x') + std::to_string(m),
                         (r % 2 ? "Sub" : "sub") + std::to_string(r % 17));
    }
  }
  RoutineTable sorted;
  std::vector<std::pair<std::string, std::string>> ordered = names;
  for (const auto& [module, routine] : ordered) {
    lookupOrAddRoutine(sorted, module, routine, true);
  }
  std::mt19937 random(7);
  std::shuffle(names.begin(), names.end(), random);
  RoutineTable shuffled;
  for (const auto& [module, routine] : names) {
    lookupOrAddRoutine(shuffled, module, routine, true);
  }
  const std::vector<std::string> expected = fullNames(sorted);
  EXPECT_EQ(fullNames(shuffled), expected);
  for (size_t i = 1; i < shuffled.entries.size(); ++i) {
    EXPECT_LT(
        compareRoutineOrder(*shuffled.entries[i - 1], *shuffled.entries[i]), 0);
  }
}

TEST(RoutineTableTest, TableGrowsInStepsOfAHundred) {
  RoutineTable table;
  for (int i = 0; i < 100; ++i)
    add(table, "M", ("R" + std::to_string(i)).c_str());
  EXPECT_EQ(table.capacity, 100);
  add(table, "M", "R100");
  EXPECT_EQ(table.capacity, 200);
  for (int i = 101; i < 200; ++i)
    add(table, "M", ("R" + std::to_string(i)).c_str());
  EXPECT_EQ(table.capacity, 200);
  add(table, "M", "R200");
  EXPECT_EQ(table.capacity, 300);
  EXPECT_EQ(table.count(), 201);
}

TEST(RoutineTableTest, CallListHoldsEachCalleeOnceAndGrowsByTwentyFive) {
  RoutineTable table;
  RoutineEntry* main = add(table, "M", "Main");
  std::vector<RoutineEntry*> callees;
  for (int i = 0; i < 100; ++i) {
    callees.push_back(add(table, "M", ("C" + std::to_string(i)).c_str()));
  }
  addCall(table, main, callees[0]);
  addCall(table, main, callees[0]);
  ASSERT_NE(main->calls, nullptr);
  EXPECT_EQ(main->calls->count(), 1);
  EXPECT_EQ(main->calls->capacity, 25);
  for (int i = 0; i < 25; ++i) addCall(table, main, callees[i]);
  EXPECT_EQ(main->calls->count(), 25);
  EXPECT_EQ(main->calls->capacity, 25);
  addCall(table, main, callees[25]);
  EXPECT_EQ(main->calls->capacity, 50);
  // Past the length where membership is kept in a set, duplicates are still
  // refused and the order of first addition is kept.
  for (int round = 0; round < 2; ++round) {
    for (RoutineEntry* callee : callees) addCall(table, main, callee);
  }
  ASSERT_EQ(main->calls->count(), 100);
  EXPECT_EQ(main->calls->capacity, 100);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(main->calls->items[i], callees[i]);
  addCall(table, main, main);  // recursion is recorded like any call
  EXPECT_EQ(main->calls->items.back(), main);
  EXPECT_EQ(main->calls->capacity, 125);
  addCall(table, main, nullptr);
  addCall(table, nullptr, main);
  EXPECT_EQ(main->calls->count(), 101);
}

TEST(RoutineTableTest, ACallIsRecordedOnceInBothListsAndCallersOnlyOnRequest) {
  RoutineTable table;
  RoutineEntry* a = add(table, "M", "A");
  RoutineEntry* b = add(table, "M", "B");
  RoutineEntry* c = add(table, "M", "C");
  EXPECT_TRUE(addCall(table, a, b, true));
  EXPECT_FALSE(addCall(table, a, b, true));
  ASSERT_NE(a->calls, nullptr);
  ASSERT_NE(b->callers, nullptr);
  ASSERT_EQ(a->calls->count(), 1);
  EXPECT_EQ(a->calls->items[0], b);
  ASSERT_EQ(b->callers->count(), 1);
  EXPECT_EQ(b->callers->items[0], a);
  EXPECT_EQ(a->callers, nullptr);
  EXPECT_EQ(b->calls, nullptr);
  // Without callers asked for, only the call list changes.
  EXPECT_TRUE(addCall(table, a, c));
  EXPECT_EQ(c->callers, nullptr);
  EXPECT_EQ(a->calls->count(), 2);
}

TEST(RoutineTableTest, CallerListHoldsEachCallerOnceBeforeAndAfterItGrowsLong) {
  // One routine called by many, each of them twice: each caller is listed
  // once, in the order of its first call, however long the list grows.
  RoutineTable table;
  RoutineEntry* target = add(table, "M", "Target");
  std::vector<RoutineEntry*> callers;
  for (int i = 0; i < 130; ++i) {
    callers.push_back(add(table, "M", ("C" + std::to_string(i)).c_str()));
  }
  for (int round = 0; round < 2; ++round) {
    for (RoutineEntry* caller : callers) addCall(table, caller, target, true);
  }
  ASSERT_NE(target->callers, nullptr);
  ASSERT_EQ(target->callers->count(), 130);
  EXPECT_EQ(target->callers->capacity, 150);
  for (int i = 0; i < 130; ++i) {
    EXPECT_EQ(target->callers->items[i], callers[i]);
  }
  EXPECT_EQ(target->calls, nullptr);
  addCall(table, nullptr, target, true);
  addCall(table, target, nullptr, true);
  EXPECT_EQ(target->callers->count(), 130);
  EXPECT_EQ(target->calls, nullptr);
}

TEST(RoutineTableTest, CallResolutionPrefersOwnModuleAndNeverOthersPrivate) {
  RoutineTable table;
  add(table, "Serial", "Send");
  RoutineEntry* net =
      add(table, "Net", "Send", ROUTINE_DEFINED | ROUTINE_PRIVATE);
  RoutineEntry* serial = lookupOrAddRoutine(table, "Serial", "Send", false);
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "Net", "send"), net);
  EXPECT_EQ(findCalledRoutine(table, "NET", "SEND"), net);
  EXPECT_EQ(findCalledRoutine(table, "Main", "send"), serial);
  serial->flags |= ROUTINE_PRIVATE;
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "Main", "Send"), nullptr);
  EXPECT_EQ(findCalledRoutine(table, "Serial", "Send"), serial);
}

TEST(RoutineTableTest, EveryModuleOfALongRunFindsItsOwnRoutine) {
  // The run of Send is ordered by module length, then name; a module's own
  // Send is found in it whatever the letter case, and a module without one
  // gets the last public Send.
  const char* const modules[] = {"b",    "A",     "dd",    "Cc",  "Mod1",
                                 "mod2", "MOD10", "Zebra", "Tail"};
  RoutineTable table;
  std::vector<RoutineEntry*> own;
  for (const char* module : modules) {
    own.push_back(add(table, module, "Send",
                      module[0] == 'T' ? ROUTINE_DEFINED | ROUTINE_PRIVATE
                                       : ROUTINE_DEFINED));
  }
  ensureRoutineOrder(table);
  for (size_t i = 0; i < own.size(); ++i) {
    EXPECT_EQ(findCalledRoutine(table, modules[i], "SEND"), own[i])
        << modules[i];
    EXPECT_EQ(findCalledRoutine(table, foldedCopy(modules[i]), "send"), own[i])
        << modules[i];
  }
  // Zebra sorts last among the public modules of length 5.
  EXPECT_EQ(findCalledRoutine(table, "Other", "Send"), own[7]);
  EXPECT_EQ(findCalledRoutine(table, "Mod", "Send"), own[7]);
  EXPECT_EQ(findCalledRoutine(table, "Mod100", "Send"), own[7]);
}

TEST(RoutineTableTest, AmongPublicRoutinesTheLastModuleInOrderWins) {
  RoutineTable table;
  RoutineEntry* b = add(table, "B", "Send");
  RoutineEntry* ab = add(table, "AB", "Send");
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "Third", "Send"), ab);
  EXPECT_EQ(findCalledRoutine(table, "", "Send"), b);
  // Without a module the first of the run is found, private or not.
  b->flags |= ROUTINE_PRIVATE;
  EXPECT_EQ(findCalledRoutine(table, "", "send"), b);
  // A module name that only starts like an existing one does not match it.
  EXPECT_EQ(findCalledRoutine(table, "ABC", "Send"), ab);
}

TEST(RoutineTableTest, LastPublicRoutineWinsOverPrivateOnesSortingAfterIt) {
  RoutineTable table;
  RoutineEntry* b = add(table, "B", "Send");
  add(table, "CC", "Send", ROUTINE_DEFINED | ROUTINE_PRIVATE);
  RoutineEntry* ddd =
      add(table, "DDD", "Send", ROUTINE_DEFINED | ROUTINE_PRIVATE);
  add(table, "A", "Send", ROUTINE_DEFINED | ROUTINE_PRIVATE);
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "Zed", "send"), b);
  EXPECT_EQ(findCalledRoutine(table, "ddd", "send"), ddd);
}

TEST(RoutineTableTest, RoutinesAddedLaterCountOnceTheTableIsOrderedAgain) {
  // As after the map pass: the new routines are not resolved until the
  // table has been put in order again, and then the one with the shortest
  // module is the first of its run.
  RoutineTable table;
  RoutineEntry* init = add(table, "Serial", "Init");
  add(table, "Serial", "Main");
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "", "init"), init);
  RoutineEntry* mapped = lookupOrAddRoutine(table, "Io", "Init", true);
  RoutineEntry* extra = lookupOrAddRoutine(table, "Io", "Extra", true);
  EXPECT_EQ(findCalledRoutine(table, "", "init"), init);
  EXPECT_EQ(findCalledRoutine(table, "Io", "Extra"), nullptr);
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "", "init"), mapped);
  EXPECT_EQ(findCalledRoutine(table, "Io", "Extra"), extra);
  EXPECT_EQ(fullNames(table),
            (std::vector<std::string>{"io.extra", "io.init", "serial.init",
                                      "serial.main"}));
}

TEST(RoutineTableTest, ResolvingNothingGivesNone) {
  RoutineTable table;
  EXPECT_EQ(findCalledRoutine(table, "M", "Foo"), nullptr);
  add(table, "M", "Foo");
  ensureRoutineOrder(table);
  EXPECT_EQ(findCalledRoutine(table, "M", ""), nullptr);
  EXPECT_EQ(findCalledRoutine(table, "M", "Fo"), nullptr);
  EXPECT_EQ(findCalledRoutine(table, "M", "Fooo"), nullptr);
  EXPECT_EQ(findCalledRoutine(table, "M", "M.Foo"), nullptr);
}

TEST(RoutineTableTest, FreeEmptiesTheTableAndKeepsItsCapacity) {
  RoutineTable empty;
  freeRoutineTable(empty);
  EXPECT_EQ(empty.count(), 0);

  RoutineTable table;
  RoutineEntry* a = add(table, "M", "A");
  addCall(table, a, add(table, "M", "B"));
  freeRoutineTable(table);
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.capacity, 100);
  EXPECT_EQ(lookupOrAddRoutine(table, "M", "A", false), nullptr);
  EXPECT_NE(lookupOrAddRoutine(table, "M", "A", true), nullptr);
  EXPECT_EQ(table.count(), 1);
}

// Makes the allocation at `site` fail and returns the message it raises.
std::string failAt(AllocationSite site, int entries, int calls, int callers) {
  RoutineTable table;
  std::vector<RoutineEntry*> made;
  RoutineEntry* main = nullptr;
  try {
    main = lookupOrAddRoutine(table, "M", "Main", true);
    for (int i = 0; i < entries; ++i) {
      made.push_back(
          lookupOrAddRoutine(table, "M", "R" + std::to_string(i), true));
    }
    table.failAllocation = [site](AllocationSite s) { return s == site; };
    if (site == AllocationSite::kTableInitial) {
      RoutineTable fresh;
      fresh.failAllocation = table.failAllocation;
      lookupOrAddRoutine(fresh, "M", "Main", true);
    }
    lookupOrAddRoutine(table, "M", "Extra", true);
    for (int i = 0; i < calls; ++i) addCall(table, main, made[i]);
    for (int i = 0; i < callers; ++i) addCall(table, made[i], main, true);
  } catch (const FatalError& error) {
    EXPECT_EQ(error.stream(), Stream::kErr);
    return error.message();
  }
  return "no failure";
}

TEST(RoutineTableTest, EveryAllocationFailureHasItsMessage) {
  EXPECT_EQ(failAt(AllocationSite::kTableInitial, 0, 0, 0),
            "Out of memory attempting to initially allocate the symbol "
            "table.\n");
  EXPECT_EQ(failAt(AllocationSite::kTableGrow, 99, 0, 0),
            "Out of memory attempting to reallocate the symbol table for 200 "
            "entries.\n");
  EXPECT_EQ(failAt(AllocationSite::kEntry, 4, 0, 0),
            "Out of memory attempting to allocate symbol table entry number "
            "6.\n");
  EXPECT_EQ(failAt(AllocationSite::kCallListInitial, 30, 1, 0),
            "Out of memory attempting to initially allocate a call list.\n");
  EXPECT_EQ(failAt(AllocationSite::kCallListGrow, 30, 26, 0),
            "Out of memory attempting to initially reallocate a call list.\n");
  EXPECT_EQ(failAt(AllocationSite::kCallerListInitial, 30, 0, 1),
            "Out of memory attempting to initially allocate a caller list.\n");
  EXPECT_EQ(failAt(AllocationSite::kCallerListGrow, 30, 0, 26),
            "Out of memory attempting to initially reallocate a caller "
            "list.\n");
}

}  // namespace
}  // namespace memtally
