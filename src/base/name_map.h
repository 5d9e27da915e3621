// Hash maps keyed by names with A to Z folded, as BasicX compares module and
// routine names case-insensitively: whoever looks a name up folds it once,
// and the map hashes and compares plain bytes. Each map hashes under a key of
// its own, drawn at random, so that no choice of names makes many of them
// share a bucket.
#ifndef MEMTALLY_BASE_NAME_MAP_H_
#define MEMTALLY_BASE_NAME_MAP_H_

#include <cstddef>
#include <functional>
#include <memory_resource>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "base/sip_hash.h"

namespace memtally {

// Hashes a folded name by SipHash-1-3 under `key`, which a default-made hash
// draws at random.
struct NameHash {
  SipKey key = randomSipKey();
  size_t operator()(std::string_view name) const;
};

// A map from folded names. The keys are views: whoever fills the map keeps
// the names they show alive.
template <typename Value>
using NameMap = std::pmr::unordered_map<std::string_view, Value, NameHash,
                                        std::equal_to<std::string_view>>;

// A set of folded names, kept alive as a NameMap's keys are.
using NameSet = std::pmr::unordered_set<std::string_view, NameHash,
                                        std::equal_to<std::string_view>>;

}  // namespace memtally

#endif  // MEMTALLY_BASE_NAME_MAP_H_
