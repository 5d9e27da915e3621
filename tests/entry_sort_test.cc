#include "routines/entry_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/chars.h"

namespace memtally {
namespace {

TEST(EntrySortTest, PrefixesOrderAsTheFirstEightBytesDo) {
  // Pairs in byte order, a prefix first; the second column tells whether
  // their first eight bytes, zero-padded, differ at all.
  const struct {
    std::string less;
    std::string more;
    bool prefixesDiffer;
  } cases[] = {
      {"", "a", true},
      {"ab", "ab\x01", true},
      {"ab", std::string("ab\0", 3), false},  // padding looks like NUL
      {"sendvalu", "sendvalue", false},
      {"sendvalue1", "sendvalue2", false},
      {"a\x7f", "a\x80", true},  // bytes are unsigned
      {"zzzzzzz", "\xC4", true},
      {"abcdefgh", "abcdefgi", true},
  };
  for (const auto& c : cases) {
    ASSERT_LT(compareBytes(c.less, c.more), 0) << c.less;
    if (c.prefixesDiffer) {
      EXPECT_LT(namePrefix(c.less), namePrefix(c.more)) << c.less;
    } else {
      EXPECT_EQ(namePrefix(c.less), namePrefix(c.more)) << c.less;
    }
  }
}

int compareFullNames(const RoutineEntry& a, const RoutineEntry& b) {
  return compareBytes(a.foldedName, b.foldedName);
}

std::string_view foldedFullName(const RoutineEntry& entry) {
  return entry.foldedName;
}

TEST(EntrySortTest, SortsAsAStableSortByTheComparisonDoes) {
  // Names sharing long beginnings, so that prefixes tie often, with NULs
  // and high bytes, and full names that are equal although module and
  // routine differ ("A.B" + "C" against "A" + "B.C"), for stability.
  std::mt19937 random(7);
  const char letters[] = {'a', 'B', '.', '\0', '\xE9', 'z'};
  RoutineTable table;
  for (int i = 0; i < 3000; ++i) {
    std::string module = "Module" + std::string(random() % 12, 'x');
    std::string routine(random() % 20, 'r');
    for (char& c : routine) {
      if (random() % 3 == 0) c = letters[random() % sizeof letters];
    }
    routine.push_back(letters[random() % sizeof letters]);
    lookupOrAddRoutine(table, module, routine, true);
  }
  lookupOrAddRoutine(table, "A.B", "C", true);
  lookupOrAddRoutine(table, "A", "B.C", true);
  std::vector<RoutineEntry*> entries = table.entries;
  std::shuffle(entries.begin(), entries.end(), random);
  std::vector<RoutineEntry*> expected = entries;
  std::stable_sort(expected.begin(), expected.end(),
                   [](const RoutineEntry* a, const RoutineEntry* b) {
                     return compareFullNames(*a, *b) < 0;
                   });
  sortEntries(entries, foldedFullName, compareFullNames);
  EXPECT_EQ(entries, expected);
}

}  // namespace
}  // namespace memtally
