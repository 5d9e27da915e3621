#include "base/name_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/colliding_names.h"

namespace memtally {
namespace {

NameMap<int> freshMap(std::pmr::memory_resource* arena) {
  return NameMap<int>(0, NameHash{randomSipKey()}, NameEqual(), arena);
}

TEST(NameMapTest, FindsANameWhateverItsLetterCaseAndNothingElse) {
  std::pmr::monotonic_buffer_resource arena;
  NameMap<int> map = freshMap(&arena);
  map.emplace("Serial.Send", 1);
  map.emplace("a_b", 2);
  map.emplace("\xC4", 3);
  EXPECT_EQ(map.at("SERIAL.send"), 1);
  EXPECT_EQ(map.count("aZ"), 0u);  // '_' is no folded 'z'
  EXPECT_EQ(map.count("A_B"), 1u);
  EXPECT_EQ(map.count("\xE4"), 0u);  // nothing above 0x7F is folded
  EXPECT_EQ(map.count("Serial.Sen"), 0u);
}

TEST(NameMapTest, NamesAreComparedWholeAcrossWordEdges) {
  // Names are compared and hashed eight bytes at a time; a difference in
  // the first, a middle or the last byte of a word, or in the tail, counts.
  const NameEqual equal;
  const NameHash hash{randomSipKey()};
  for (size_t length : {1, 7, 8, 9, 15, 16, 17, 24, 31}) {
    const std::string lower(length, 'q');
    for (size_t at = 0; at < length; ++at) {
      std::string upper = lower;
      upper[at] = 'Q';
      EXPECT_TRUE(equal(lower, upper)) << length << " " << at;
      EXPECT_EQ(hash(lower), hash(upper)) << length << " " << at;
      std::string other = lower;
      other[at] = 'r';
      EXPECT_FALSE(equal(lower, other)) << length << " " << at;
      // 0xD1 and 0xF1 differ only in bit 5, as Q and q do.
      std::string high = lower;
      high[at] = '\xD1';
      std::string highFolded = lower;
      highFolded[at] = '\xF1';
      EXPECT_FALSE(equal(high, highFolded)) << length << " " << at;
    }
  }
}

TEST(NameMapTest, EachMapHashesUnderAKeyOfItsOwn) {
  // With one key for all runs, names found to collide once would collide
  // in every run.
  const NameHash a{randomSipKey()};
  const NameHash b{randomSipKey()};
  EXPECT_NE(a("Main"), b("Main"));
  EXPECT_EQ(a("Main"), a("MAIN"));
}

TEST(NameMapTest, NamesCollidingUnderFnvSpreadOverTheBuckets) {
  const bool sanitized = std::getenv("MEMTALLY_SANITIZE_BUILD") != nullptr;
  const std::vector<std::string> names =
      testing::fnvCollidingNames(sanitized ? 12 : 16);
  const uint64_t low32 = testing::fnv1a(names[0]) & 0xffffffffu;
  std::pmr::monotonic_buffer_resource arena;
  NameMap<size_t> map(0, NameHash{randomSipKey()}, NameEqual(), &arena);
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(testing::fnv1a(names[i]) & 0xffffffffu, low32) << names[i];
    map.emplace(names[i], i);
  }
  ASSERT_EQ(map.size(), names.size());
  size_t longest = 0;
  for (size_t b = 0; b < map.bucket_count(); ++b) {
    longest = std::max(longest, map.bucket_size(b));
  }
  // A random hash puts a few names in the fullest bucket, where FNV-1a would
  // put them all into one probe chain.
  EXPECT_LE(longest, 16u);
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(map.at(names[i]), i);
  }
}

}  // namespace
}  // namespace memtally
