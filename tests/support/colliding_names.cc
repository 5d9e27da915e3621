#include "support/colliding_names.h"

#include "base/name_map.h"

namespace memtally::testing {
namespace {

// The identifier numbered `n`: "r" and six letters.
std::string candidate(uint64_t n) {
  std::string name = "raaaaaa";
  for (size_t i = name.size() - 1; i > 0 && n != 0; --i, n /= 26) {
    name[i] = static_cast<char>('a' + n % 26);
  }
  return name;
}

}  // namespace

std::vector<std::string> sipCollidingNames(size_t count, size_t held) {
  // A map grown to `held` names by other keys has the bucket count that
  // the attacked map reaches.
  std::vector<std::string> fillers;
  fillers.reserve(held);
  NameMap<int> map(0, NameHash{kKnownKey});
  for (size_t i = 0; i < held; ++i) {
    fillers.push_back("#" + std::to_string(i));
    map.emplace(fillers.back(), 0);
  }
  const size_t bucket = map.bucket(candidate(0));
  std::vector<std::string> names;
  for (uint64_t n = 0; names.size() < count; ++n) {
    std::string name = candidate(n);
    if (map.bucket(name) == bucket) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace memtally::testing
