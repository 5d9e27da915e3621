#include "base/name_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/chars.h"

namespace memtally {
namespace {

TEST(NameSortTest, PrefixesOrderAsTheFirstEightBytesDo) {
  // Pairs in byte order, a prefix first; the third column tells whether
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

struct Record {
  std::string name;
  int rank;  // breaks ties between equal names, as a module name would
};

std::string_view nameOf(const Record& record) { return record.name; }

int compareNameOnly(const Record& a, const Record& b) {
  return compareBytes(a.name, b.name);
}

int compareNameThenRank(const Record& a, const Record& b) {
  const int byName = compareBytes(a.name, b.name);
  if (byName != 0) return byName;
  return a.rank == b.rank ? 0 : (a.rank < b.rank ? -1 : 1);
}

TEST(NameSortTest, SortsAsAStableSortByTheComparisonDoes) {
  // Names sharing long beginnings, so that prefixes tie often and names
  // differ only after byte 8 or 16, with NULs and high bytes, and many
  // equal names: ties broken by the comparison, or kept in input order.
  std::mt19937 random(7);
  const char letters[] = {'a', 'b', '.', '\0', '\xE9', 'z'};
  std::vector<Record> records;
  for (int i = 0; i < 4000; ++i) {
    std::string name(random() % 20, 'r');
    for (char& c : name) {
      if (random() % 4 == 0) c = letters[random() % sizeof letters];
    }
    records.push_back({name, static_cast<int>(random() % 3)});
  }
  for (auto compare : {compareNameOnly, compareNameThenRank}) {
    std::vector<Record*> sorted;
    for (Record& record : records) sorted.push_back(&record);
    std::shuffle(sorted.begin(), sorted.end(), random);
    std::vector<Record*> expected = sorted;
    std::stable_sort(expected.begin(), expected.end(),
                     [compare](const Record* a, const Record* b) {
                       return compare(*a, *b) < 0;
                     });
    sortByName<Record>(sorted, nameOf, compare);
    EXPECT_EQ(sorted, expected);
  }
}

}  // namespace
}  // namespace memtally
