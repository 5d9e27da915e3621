// Hash maps keyed by names that compare case-insensitively, as the names of
// BasicX modules and routines do. Each map hashes under a key of its own,
// drawn at random, so that no choice of names makes many of them share a
// bucket.
#ifndef MEMTALLY_BASE_NAME_MAP_H_
#define MEMTALLY_BASE_NAME_MAP_H_

#include <cstddef>
#include <memory_resource>
#include <string_view>
#include <unordered_map>

#include "base/sip_hash.h"

namespace memtally {

// Hashes a name with A to Z folded, under `key`.
struct NameHash {
  SipKey key;
  size_t operator()(std::string_view name) const;
};

// Compares names case-insensitively.
struct NameEqual {
  bool operator()(std::string_view a, std::string_view b) const;
};

// A map from names, whatever their letter case. The keys are views: whoever
// fills the map keeps the names they show alive.
template <typename Value>
using NameMap =
    std::pmr::unordered_map<std::string_view, Value, NameHash, NameEqual>;

}  // namespace memtally

#endif  // MEMTALLY_BASE_NAME_MAP_H_
