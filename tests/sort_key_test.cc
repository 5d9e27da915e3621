#include "routines/sort_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "report/listings.h"
#include "routines/routine_table.h"

namespace memtally {
namespace {

// A name made of a common stem and a short tail from a tiny alphabet, so
// that many names share long prefixes, differ only in case, or are prefixes
// of one another; stems and tails cross the 8, 16, 24 and 32 byte
// boundaries of the keys.
std::string randomName(std::mt19937& random) {
  static const char* const kStems[] = {"",
                                       "Abc",
                                       "Queue_Handler",
                                       "Sixteen_Bytes_Ab",
                                       "ABCDEFGHIJKLMNOPQRSTUVWX",
                                       "a.b"};
  static const std::string kLetters = "aAbB_9.";
  std::string name = kStems[random() % std::size(kStems)];
  const size_t tail = random() % 11;
  for (size_t i = 0; i < tail; ++i) {
    name.push_back(kLetters[random() % kLetters.size()]);
  }
  if (name.empty()) name = "Z";
  return name;
}

// A table of routines with such names; routine names recur in many modules.
void fillTable(RoutineTable& table, std::mt19937& random) {
  std::vector<std::string> modules, routines;
  for (int i = 0; i < 40; ++i) modules.push_back(randomName(random));
  for (int i = 0; i < 60; ++i) routines.push_back(randomName(random));
  for (int i = 0; i < 800; ++i) {
    lookupOrAddRoutine(table, modules[random() % modules.size()],
                       routines[random() % routines.size()], true);
  }
}

using Compare = int (*)(const RoutineEntry&, const RoutineEntry&);
using KeyOf = SortKey (*)(const RoutineEntry&);

struct KeyCase {
  const char* name;
  KeyOf keyOf;
  Compare compare;
};

// A key that contradicted its comparison where the two differ would put
// listings and the routine order out of order; sorting by key must give
// exactly what a stable sort by the comparison alone gives.
TEST(SortKeyTest, KeyedSortMatchesSortingByTheComparison) {
  const KeyCase cases[] = {
      {"routine order", routineOrderKey, compareRoutineOrder},
      {"routine name", routineNameKey, compareByRoutineName},
      {"full name", fullNameKey, compareByFullName},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (unsigned seed = 1; seed <= 20; ++seed) {
      std::mt19937 random(seed);
      RoutineTable table;
      fillTable(table, random);
      std::vector<RoutineEntry*> expected = table.entries;
      std::stable_sort(expected.begin(), expected.end(),
                       [&](const RoutineEntry* a, const RoutineEntry* b) {
                         return c.compare(*a, *b) < 0;
                       });
      std::vector<RoutineEntry*> keyed = table.entries;
      sortByKey(keyed, c.keyOf, c.compare, true);
      ASSERT_EQ(keyed, expected) << "seed " << seed;
    }
  }
}

TEST(SortKeyTest, KeysOfEqualNamesAreEqual) {
  // Entries equal by the comparison must not be told apart by the key, or a
  // stable sort would reorder them.
  RoutineTable table;
  RoutineEntry* a = lookupOrAddRoutine(table, "Io.Serial", "Open", true);
  RoutineEntry* b = lookupOrAddRoutine(table, "IO", "SERIAL.open", true);
  ASSERT_EQ(compareByFullName(*a, *b), 0);
  EXPECT_EQ(fullNameKey(*a), fullNameKey(*b));
}

TEST(SortKeyTest, PrefixOfAKeyIsBigEndianAndZeroPadded) {
  EXPECT_EQ(bytePrefixAt("abcdefghij", 8), 0x696a000000000000ULL);
  EXPECT_EQ(bytePrefixAt("abc", 8), 0u);
  EXPECT_EQ(bytePrefixAt("\xff", 0), 0xff00000000000000ULL);
  EXPECT_LT(shortNameLength(std::string(16, 'a')),
            shortNameLength(std::string(17, 'a')));
  EXPECT_EQ(shortNameLength(std::string(17, 'a')),
            shortNameLength(std::string(400, 'a')));
}

}  // namespace
}  // namespace memtally
