#include "routines/flat_index.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace memtally {
namespace {

struct Value {
  int key;
};

const Value* findKey(const FlatIndex<Value>& index, uint64_t hash, int key) {
  return index.find(hash, [key](const Value& v) { return v.key == key; });
}

TEST(FlatIndexTest, CollidingHashesAreAllFoundAcrossGrowth) {
  // Many values share a hash, others share a starting slot with a different
  // hash, and the index grows and rehashes while they are added.
  FlatIndex<Value> index;
  EXPECT_EQ(findKey(index, 7, 1), nullptr);
  for (int key = 0; key < 1000; ++key) {
    const uint64_t hash =
        key % 3 == 0 ? 7 : (static_cast<uint64_t>(key) << 20) | 7;
    index.insert(hash, {key});
  }
  for (int key = 0; key < 1000; ++key) {
    const uint64_t hash =
        key % 3 == 0 ? 7 : (static_cast<uint64_t>(key) << 20) | 7;
    const Value* found = findKey(index, hash, key);
    ASSERT_NE(found, nullptr) << key;
    EXPECT_EQ(found->key, key);
  }
  EXPECT_EQ(findKey(index, 7, 1), nullptr);  // key 1 has another hash
  EXPECT_EQ(findKey(index, 9, 0), nullptr);
}

TEST(FlatIndexTest, ReserveKeepsWhatIsThereAndClearEmpties) {
  FlatIndex<Value> index;
  index.insert(3, {1});
  index.reserve(5000);
  for (int key = 2; key <= 5000; ++key) {
    index.insert(static_cast<uint64_t>(key) * 0x9e3779b97f4a7c15ULL | 1, {key});
  }
  EXPECT_NE(findKey(index, 3, 1), nullptr);
  EXPECT_NE(findKey(index, 5000 * 0x9e3779b97f4a7c15ULL | 1, 5000), nullptr);
  index.reserve(10);  // never shrinks
  EXPECT_NE(findKey(index, 3, 1), nullptr);
  index.clear();
  EXPECT_EQ(findKey(index, 3, 1), nullptr);
  index.insert(3, {2});
  EXPECT_EQ(findKey(index, 3, 2)->key, 2);
}

}  // namespace
}  // namespace memtally
