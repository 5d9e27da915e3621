// Routine names built to defeat a NameMap whose key an attacker knows: a
// table hashing them under that key would keep them all in one bucket.
#ifndef MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_
#define MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "base/sip_hash.h"

namespace memtally::testing {

// The key the names are built for: the one a SipKey holds unless set.
inline constexpr SipKey kKnownKey{};

// Returns `count` distinct lower-case identifiers, all of one length, that
// a NameMap hashing under kKnownKey puts into one bucket once it holds
// `held` names (at least `count`). Found by trying names in turn, so the
// cost grows as count times held.
std::vector<std::string> sipCollidingNames(size_t count, size_t held);

}  // namespace memtally::testing

#endif  // MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_
