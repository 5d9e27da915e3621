#include "base/name_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/colliding_names.h"

namespace memtally {
namespace {

TEST(NameMapTest, EachMapHashesUnderAKeyOfItsOwn) {
  // With one key for all runs, names found to collide once would collide
  // in every run.
  const NameHash a;
  const NameHash b;
  EXPECT_NE(a("main"), b("main"));
  EXPECT_EQ(a("main"), a(std::string("main")));
}

// The most names any bucket of `map` holds.
size_t longestBucket(const NameMap<size_t>& map) {
  size_t longest = 0;
  for (size_t b = 0; b < map.bucket_count(); ++b) {
    longest = std::max(longest, map.bucket_size(b));
  }
  return longest;
}

TEST(NameMapTest, NamesCollidingUnderAKnownKeySpreadUnderARandomOne) {
  constexpr size_t kCount = 2000;
  const std::vector<std::string> names =
      testing::sipCollidingNames(kCount, kCount);
  NameMap<size_t> known(0, NameHash{testing::kKnownKey});
  NameMap<size_t> random;
  for (size_t i = 0; i < names.size(); ++i) {
    known.emplace(names[i], i);
    random.emplace(names[i], i);
  }
  ASSERT_EQ(random.size(), kCount);
  // Under the key they were built for they share one bucket; under a key
  // of its own a map puts a few of them in its fullest one.
  EXPECT_EQ(longestBucket(known), kCount);
  EXPECT_LE(longestBucket(random), 16u);
  for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(random.at(names[i]), i);
}

}  // namespace
}  // namespace memtally
